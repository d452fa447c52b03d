#version 430 core
// The snapshot was copied from the framebuffer, bottom row first, so it needs no flip.
in vec2 texCoord;

uniform sampler2D sceneTexture;  // unit 0

out vec4 fragColor;

void main() {
    fragColor = vec4(texture(sceneTexture, texCoord).rgb, 1.0);
}
