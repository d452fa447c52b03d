#version 430 core
// Camera-facing particle quads: four vertices a particle, each carrying the particle's values.
layout(location = 0) in vec3 corner;           // quad corner, -0.5 to 0.5
layout(location = 1) in vec4 positionAndSize;  // per particle: world centre, edge length
layout(location = 2) in vec4 color;            // per particle: normalised RGBA

uniform vec3 camRightWS;  // the camera's right axis in world space
uniform vec3 camUpWS;     // the camera's up axis in world space
uniform mat4 particleVP;

out vec2 texCoord;
out vec4 particleColor;

void main() {
    float size = positionAndSize.w;
    vec3 world = positionAndSize.xyz + camRightWS * corner.x * size + camUpWS * corner.y * size;
    texCoord = corner.xy + vec2(0.5);
    particleColor = color;
    gl_Position = particleVP * vec4(world, 1.0);
}
