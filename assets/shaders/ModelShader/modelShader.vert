#version 430 core
// Collectibles: static Assimp models in the 64-byte vertex layout (bones unused here).
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 texCoords;

uniform mat4 projection;
uniform mat4 view;
uniform mat4 model;

out vec3 worldPosition;
out vec3 worldNormal;
out vec2 texCoord;

void main() {
    vec4 world = model * vec4(position, 1.0);
    worldPosition = world.xyz;
    worldNormal = mat3(transpose(inverse(model))) * normal;
    texCoord = texCoords;
    gl_Position = projection * view * world;
}
