#version 430 core
// "brightness" fades the whole flare as the sun leaves the centre of the screen;
// "infoPointDistanceNorm" is 0 near the world origin and 1 far from it, where the flare takes
// on the warm colour of the default light.
in vec2 texCoord;

uniform sampler2D flareTexture;  // unit 0
uniform float brightness;
uniform float infoPointDistanceNorm;

out vec4 fragColor;

void main() {
    vec4 texel = texture(flareTexture, texCoord);
    vec3 warm = texel.rgb * vec3(1.0, 0.72, 0.45);
    vec3 color = mix(texel.rgb, warm, clamp(infoPointDistanceNorm, 0.0, 1.0));
    fragColor = vec4(color, texel.a * clamp(brightness, 0.0, 1.0));
}
