#version 430 core
// Blinn-Phong in linear light. The texture is sRGB-encoded and decoded with 2.2 before
// lighting. "gamma" carries brightness / 2.2 in each component (brightness 0.01 to 10): the
// result is encoded with the exponent 1 / (2.2 * brightness), which is the usual 1 / 2.2 at
// brightness 1 and lifts the dark tones as brightness grows.
struct DirectionalLight {
    vec3 color;      // linear RGB
    vec3 direction;  // the direction the light travels, unit length
};

in vec3 worldPosition;
in vec3 worldNormal;
in vec2 texCoord;
in vec3 eyePosition;

uniform DirectionalLight dirL;
uniform vec3 gamma;
uniform vec3 materialCoefficients;  // ambient, diffuse, specular weights
uniform float specularAlpha;        // specular exponent; 0 means no highlight
uniform sampler2D diffuseTexture;

out vec4 fragColor;

void main() {
    vec4 texel = texture(diffuseTexture, texCoord);
    vec3 albedo = pow(texel.rgb, vec3(2.2));

    vec3 n = normalize(worldNormal);
    vec3 toLight = normalize(-dirL.direction);
    vec3 toEye = normalize(eyePosition - worldPosition);
    vec3 halfway = normalize(toLight + toEye);

    float ambient = materialCoefficients.x;
    float diffuse = materialCoefficients.y * max(dot(n, toLight), 0.0);
    float specular = 0.0;
    if (materialCoefficients.z > 0.0 && specularAlpha > 0.0 && dot(n, toLight) > 0.0) {
        specular = materialCoefficients.z * pow(max(dot(n, halfway), 0.0), specularAlpha);
    }

    vec3 lit = albedo * dirL.color * (ambient + diffuse) + dirL.color * specular;
    vec3 exponent = 1.0 / (2.2 * 2.2 * max(gamma, vec3(1e-3)));
    fragColor = vec4(pow(max(lit, vec3(0.0)), exponent), texel.a);
}
