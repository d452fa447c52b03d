#version 430 core
// Gaussian blur along y. "blurRadius" (texels) is the standard deviation; the kernel reaches
// two deviations on each side. Neighbouring texel pairs are merged into one bilinear fetch
// (the snapshot and the pass textures are sampled with GL_LINEAR), so about blurRadius
// fetches on each side do the work of twice as many.
in vec2 texCoord;

uniform sampler2D image;   // unit 0
uniform float blurRadius;  // texels
uniform vec2 texelSize;    // 1 / width, 1 / height

out vec4 fragColor;

// Clamped to the outermost texel centres: the snapshot texture repeats by default, and the
// opposite edge of the picture must not bleed in.
vec3 fetch(vec2 uv) {
    return texture(image, clamp(uv, 0.5 * texelSize, vec2(1.0) - 0.5 * texelSize)).rgb;
}

float gaussian(float x, float sigma) {
    return exp(-(x * x) / (2.0 * sigma * sigma));
}

void main() {
    float sigma = max(blurRadius, 0.5);
    int reach = min(int(ceil(2.0 * sigma)), 64);
    vec2 axis = vec2(0.0, texelSize.y);
    vec3 sum = fetch(texCoord);
    float total = 1.0;
    for (int i = 1; i <= reach; i += 2) {
        float wa = gaussian(float(i), sigma);
        float wb = i + 1 <= reach ? gaussian(float(i + 1), sigma) : 0.0;
        float w = wa + wb;
        float offset = (float(i) * wa + float(i + 1) * wb) / w;
        sum += w * (fetch(texCoord + axis * offset) + fetch(texCoord - axis * offset));
        total += 2.0 * w;
    }
    fragColor = vec4(sum / total, 1.0);
}
