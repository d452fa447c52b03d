#version 430 core
// Level meshes and the sun: world-space position, normal and texture coordinates for
// Blinn-Phong lighting under the scene's one directional light.
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 uv;

uniform mat4 viewProjMatrix;
uniform mat4 modelMatrix;
uniform mat3 normalMatrix;

out vec3 worldPosition;
out vec3 worldNormal;
out vec2 texCoord;
out vec3 eyePosition;

void main() {
    vec4 world = modelMatrix * vec4(position, 1.0);
    worldPosition = world.xyz;
    worldNormal = normalMatrix * normal;
    texCoord = uv;
    // The eye is the point a perspective view-projection sends to w = 0: the inverse maps the
    // clip-space direction (0, 0, 1, 0) back onto it, in homogeneous form.
    vec4 eye = inverse(viewProjMatrix) * vec4(0.0, 0.0, 1.0, 0.0);
    eyePosition = abs(eye.w) > 1e-8 ? eye.xyz / eye.w : vec3(0.0);
    gl_Position = viewProjMatrix * world;
}
