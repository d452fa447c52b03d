#version 430 core
// The glyph texture's red channel is the coverage.
in vec2 texCoord;

uniform sampler2D glyph;  // unit 0
uniform vec3 textColor;
uniform float textAlpha;

out vec4 fragColor;

void main() {
    float coverage = texture(glyph, texCoord).r;
    fragColor = vec4(textColor, coverage * textAlpha);
}
