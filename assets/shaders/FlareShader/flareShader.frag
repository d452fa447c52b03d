#version 430 core
// One lens-flare sprite over the finished frame, blended with its own alpha.
// "brightness" (at most 1 / 1.8, with the sun in the middle of the screen) fades the flare as
// the sun leaves the centre; "infoPointDistanceNorm" is 0 near the world origin and 1 far from
// it, where the flare takes on the warm colour of the low sun.
in vec2 texCoord;

uniform sampler2D flareTexture;  // unit 0
uniform float brightness;
uniform float infoPointDistanceNorm;

out vec4 fragColor;

void main() {
    // The sprite's quad is stretched with the window's shape; its image is drawn round, as
    // wide as the quad's shorter side, from the quad's size in pixels.
    vec2 pixels = 1.0 / max(abs(vec2(dFdx(texCoord.x), dFdy(texCoord.y))), vec2(1e-6));
    vec2 uv = 0.5 + (texCoord - 0.5) * pixels / min(pixels.x, pixels.y);
    float inside = all(greaterThanEqual(uv, vec2(0.0))) && all(lessThanEqual(uv, vec2(1.0))) ? 1.0 : 0.0;
    vec4 texel = texture(flareTexture, clamp(uv, vec2(0.0), vec2(1.0)));
    texel.a *= inside;
    vec3 warm = texel.rgb * vec3(1.0, 0.72, 0.45);
    vec3 color = mix(texel.rgb, warm, clamp(infoPointDistanceNorm, 0.0, 1.0));
    fragColor = vec4(color, texel.a * clamp(brightness, 0.0, 1.0));
}
