#version 430 core
// Gaussian blur along y over blurRadius texels on each side (sigma = radius / 2).
in vec2 texCoord;

uniform sampler2D image;   // unit 0
uniform float blurRadius;  // texels
uniform vec2 texelSize;    // 1 / width, 1 / height

out vec4 fragColor;

void main() {
    int radius = clamp(int(blurRadius), 0, 32);
    float sigma = max(blurRadius * 0.5, 0.5);
    vec3 sum = vec3(0.0);
    float total = 0.0;
    for (int i = -radius; i <= radius; ++i) {
        float weight = exp(-float(i * i) / (2.0 * sigma * sigma));
        sum += weight * texture(image, texCoord + vec2(0.0, float(i) * texelSize.y)).rgb;
        total += weight;
    }
    fragColor = vec4(sum / total, 1.0);
}
