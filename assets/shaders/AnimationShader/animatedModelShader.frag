#version 430 core
// The thief, lit like the collectibles (see modelShader.frag): a hemispheric dusk fill, the
// sun's wrapped diffuse term and a soft Blinn-Phong highlight with a fixed exponent for his
// cloth and leather. The camera trails behind him with the sun ahead, so the fill carries most
// of what the player sees; a faint rim of sunlight outlines him against the sky.
in vec3 worldPosition;
in vec3 worldNormal;
in vec2 texCoord;

uniform vec3 lightColor;   // the sun's colour, linear RGB
uniform float brightness;  // 0.4 to 1.0, 1 / 2.2 at the default setting
uniform vec3 lightPos;     // the sun, render space
uniform vec3 viewPos;      // the eye, render space
uniform sampler2D textureDiffuse1;

out vec4 fragColor;

const vec3 skyFill = vec3(0.30, 0.33, 0.42);
const vec3 groundFill = vec3(0.10, 0.08, 0.07);
const float sunAmbient = 0.15;
const float highlightExponent = 16.0;

void main() {
    vec4 texel = texture(textureDiffuse1, texCoord);
    vec3 albedo = pow(texel.rgb, vec3(2.2));

    vec3 n = dot(worldNormal, worldNormal) > 1e-12 ? normalize(worldNormal) : vec3(0.0, 1.0, 0.0);
    vec3 toLight = normalize(lightPos - worldPosition);
    vec3 toEye = normalize(viewPos - worldPosition);
    vec3 halfway = normalize(toLight + toEye);

    vec3 fill = mix(groundFill, skyFill, 0.5 + 0.5 * n.y);
    float facing = dot(n, toLight);
    float diffuse = max((facing + 0.2) / 1.2, 0.0);
    float specular = facing > 0.0 ? 0.25 * pow(max(dot(n, halfway), 0.0), highlightExponent) : 0.0;
    // Strongest on the silhouette, where the surface turns away from the eye towards the sun.
    float rim = pow(1.0 - max(dot(n, toEye), 0.0), 3.0) * max(dot(-toEye, toLight), 0.0) * 0.35;

    vec3 lit = albedo * (fill + lightColor * (sunAmbient + diffuse)) + lightColor * (specular + rim);
    float exponent = (1.0 / (2.2 * 2.2)) / max(brightness, 0.05);
    fragColor = vec4(pow(max(lit, vec3(0.0)), vec3(exponent)), texel.a);
}
