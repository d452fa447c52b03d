#version 430 core
in vec2 texCoord;

uniform sampler2D image;  // the image bound on the active unit (unit 0)
uniform float alpha;      // global opacity, 0 to 1, times the image's own

out vec4 fragColor;

void main() {
    vec4 texel = texture(image, texCoord);
    fragColor = vec4(texel.rgb, texel.a * alpha);
}
