#version 430 core
// The reflective cube. Its model matrix scales w as well, so the world position is the
// homogeneous result divided by w.
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;

uniform mat4 model;
uniform mat4 view;
uniform mat4 projection;

out vec3 worldPosition;
out vec3 worldNormal;

void main() {
    vec4 world = model * vec4(position, 1.0);
    worldPosition = world.xyz / world.w;
    worldNormal = mat3(transpose(inverse(model))) * normal;
    gl_Position = projection * view * world;
}
