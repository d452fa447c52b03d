#version 430 core
// A spark or a puff of smoke. The sprite's colour channels are full light colour and its alpha
// carries the round shape; the particle's alpha (fade in, fade out, culling) scales it.
// "infoPointNorm" is 1 near the world origin and 0 from ten units on: near the start the sparks
// and smoke take on some of the cool light there.
in vec2 texCoord;
in vec4 particleColor;

uniform sampler2D particleTexture;  // unit 0
uniform float infoPointNorm;

out vec4 fragColor;

void main() {
    vec4 texel = texture(particleTexture, texCoord);
    float shape = texel.a;
    vec3 light = particleColor.rgb * texel.rgb;
    // Bright sparks burn white-hot in the middle; dim grey smoke keeps its colour.
    float heat = smoothstep(0.6, 1.0, max(light.r, max(light.g, light.b)));
    light = mix(light, vec3(1.0, 0.95, 0.82), heat * shape * shape * 0.45);
    light = mix(light, light * vec3(0.78, 0.9, 1.2), clamp(infoPointNorm, 0.0, 1.0) * 0.5);
    fragColor = vec4(min(light, vec3(1.0)), particleColor.a * shape);
}
