#version 430 core
// The sky, looked up with the cube's own position as the direction: the faces were painted
// as a function of the render-space direction, with the low sun along +z.
// "colorModifierNorm" grades it: 0 near the start, under the cool light of the origin, 1 out
// on the course, under the warm light of the low sun. The grade shifts the hue, not the
// brightness, and leaves the brightest parts (the sun's core) as they were painted.
in vec3 direction;

uniform samplerCube skybox;  // unit 0
uniform float colorModifierNorm;

out vec4 fragColor;

const vec3 luma = vec3(0.2126, 0.7152, 0.0722);
const vec3 coolGrade = vec3(0.86, 0.94, 1.2);
const vec3 warmGrade = vec3(1.14, 0.97, 0.8);

void main() {
    vec3 sky = texture(skybox, direction).rgb;
    float f = smoothstep(0.0, 1.0, clamp(colorModifierNorm, 0.0, 1.0));
    vec3 graded = sky * mix(coolGrade, warmGrade, f);
    float before = dot(sky, luma);
    float after = dot(graded, luma);
    graded *= after > 1e-5 ? before / after : 1.0;
    graded = mix(graded, sky, smoothstep(0.55, 0.95, before));
    // Opaque: the sky pass draws with blending off.
    fragColor = vec4(min(graded, vec3(1.0)), 1.0);
}
