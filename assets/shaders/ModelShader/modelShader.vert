#version 430 core
// Collectibles: static Assimp models in the 64-byte vertex layout (bones unused here).
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 texCoords;

uniform mat4 projection;
uniform mat4 view;
uniform mat4 model;
uniform mat3 normalMatrix;  // inverse transpose of the model matrix's 3 x 3, for the normals

out vec3 worldPosition;
out vec3 worldNormal;
out vec2 texCoord;

void main() {
    vec4 world = model * vec4(position, 1.0);
    worldPosition = world.xyz;
    worldNormal = normalMatrix * normal;
    texCoord = texCoords;
    gl_Position = projection * view * world;
}
