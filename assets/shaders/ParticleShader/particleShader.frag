#version 430 core
// "infoPointNorm" is 1 near the world origin and 0 far from it: near the origin the sparks
// and smoke take on some of the cool light there.
in vec2 texCoord;
in vec4 particleColor;

uniform sampler2D particleTexture;
uniform float infoPointNorm;

out vec4 fragColor;

void main() {
    vec4 texel = texture(particleTexture, texCoord);
    vec4 color = texel * particleColor;
    vec3 cool = color.rgb * vec3(0.7, 0.85, 1.15);
    fragColor = vec4(mix(color.rgb, cool, clamp(infoPointNorm, 0.0, 1.0) * 0.5), color.a);
}
