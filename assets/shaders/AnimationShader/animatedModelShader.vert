#version 430 core
// The player: a skinned Assimp model. Up to four bone influences per vertex; a bone id of -1
// marks a free slot, and a vertex without any influence keeps its bind pose.
const int MAX_BONES = 100;
const int MAX_BONE_INFLUENCE = 4;

layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 texCoords;
layout(location = 5) in ivec4 boneIds;
layout(location = 6) in vec4 weights;

uniform mat4 projection;
uniform mat4 view;
uniform mat4 model;
uniform mat3 normalMatrix;  // inverse transpose of the model matrix's 3 x 3, for the normals
uniform mat4 finalBonesMatrices[MAX_BONES];

out vec3 worldPosition;
out vec3 worldNormal;
out vec2 texCoord;

void main() {
    vec4 skinnedPosition = vec4(0.0);
    vec3 skinnedNormal = vec3(0.0);
    bool influenced = false;
    for (int i = 0; i < MAX_BONE_INFLUENCE; ++i) {
        int id = boneIds[i];
        if (id < 0 || id >= MAX_BONES) {
            continue;
        }
        influenced = true;
        mat4 bone = finalBonesMatrices[id];
        skinnedPosition += weights[i] * (bone * vec4(position, 1.0));
        skinnedNormal += weights[i] * (mat3(bone) * normal);
    }
    if (!influenced) {
        skinnedPosition = vec4(position, 1.0);
        skinnedNormal = normal;
    }

    vec4 world = model * skinnedPosition;
    worldPosition = world.xyz;
    worldNormal = normalMatrix * skinnedNormal;
    texCoord = texCoords;
    gl_Position = projection * view * world;
}
