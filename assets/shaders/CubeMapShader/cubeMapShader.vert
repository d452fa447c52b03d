#version 430 core
// The reflective cube. Its model matrix scales w as well, so the world position is the
// homogeneous result divided by w.
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;

uniform mat4 model;
uniform mat3 normalMatrix;  // inverse transpose of the model matrix's 3 x 3, for the normals
uniform mat4 view;
uniform mat4 projection;

out vec3 worldPosition;
out vec3 worldNormal;

void main() {
    vec4 world = model * vec4(position, 1.0);
    worldPosition = world.xyz / world.w;
    worldNormal = normalMatrix * normal;
    gl_Position = projection * view * world;
}
