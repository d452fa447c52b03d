#version 430 core
// "colorModifierNorm" is 0 near the world origin and 1 far from it: away from the origin the
// sky turns towards the orange of the default light.
in vec3 direction;

uniform samplerCube skybox;  // unit 0
uniform float colorModifierNorm;

out vec4 fragColor;

void main() {
    vec3 sky = texture(skybox, direction).rgb;
    vec3 dusk = sky * vec3(1.0, 0.62, 0.38);
    fragColor = vec4(mix(sky, dusk, clamp(colorModifierNorm, 0.0, 1.0) * 0.6), 1.0);
}
