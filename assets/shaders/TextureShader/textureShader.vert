#version 430 core
// Level meshes and the sun: world-space position, normal and texture coordinates for
// Blinn-Phong lighting under the scene's one directional light.
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 uv;

uniform mat4 viewProjMatrix;
uniform mat4 modelMatrix;
uniform mat3 normalMatrix;
// The eye, world space: the point the view-projection sends to w = 0 (set with it, per draw).
uniform vec3 eyeWorldPosition;

out vec3 worldPosition;
out vec3 worldNormal;
out vec2 texCoord;
out vec3 eyePosition;

void main() {
    vec4 world = modelMatrix * vec4(position, 1.0);
    worldPosition = world.xyz;
    worldNormal = normalMatrix * normal;
    texCoord = uv;
    eyePosition = eyeWorldPosition;
    gl_Position = viewProjMatrix * world;
}
