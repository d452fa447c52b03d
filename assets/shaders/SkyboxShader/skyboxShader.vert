#version 430 core
// The sky cube around the camera: the view carries rotation only, and the depth is forced to
// the far plane (drawn with GL_LEQUAL) so that the sky stays behind everything.
layout(location = 0) in vec3 position;

uniform mat4 view;
uniform mat4 projection;

out vec3 direction;  // render space, from the eye

void main() {
    direction = position;
    vec4 clip = projection * view * vec4(position, 1.0);
    gl_Position = clip.xyww;
}
