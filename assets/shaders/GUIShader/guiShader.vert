#version 430 core
// Screen-space images: positions in normalised device coordinates, turned by "rotation"
// (radians, counter-clockwise) about the screen centre.
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 uv;

uniform float rotation;

out vec2 texCoord;

void main() {
    float c = cos(rotation);
    float s = sin(rotation);
    vec2 turned = vec2(c * position.x - s * position.y, s * position.x + c * position.y);
    // Sampled unchanged: the quads carry v = 1 at their top edge and the image files store
    // their picture bottom row first, so the file's first row (t = 0) lands at the bottom.
    texCoord = uv;
    gl_Position = vec4(turned, 0.0, 1.0);
}
