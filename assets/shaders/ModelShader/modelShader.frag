#version 430 core
// The collectibles, lit in linear light. The sun hangs low over the far end of the level, so
// the sides the camera sees are mostly turned away from it; a hemispheric fill (cool dusk sky
// above, dark warm ground below) keeps them readable whatever colour the sun has at the moment.
// The sun adds a wrapped diffuse term and a Blinn-Phong highlight.
// "brightness" runs from 0.4 to 1.0 and is 1 / 2.2 at the default setting; the result is
// encoded with the exponent (1 / 2.2)^2 / brightness: the usual 1 / 2.2 at the default,
// lifting the dark tones above it.
in vec3 worldPosition;
in vec3 worldNormal;
in vec2 texCoord;

uniform vec3 lightColor;   // the sun's colour, linear RGB
uniform float brightness;
uniform vec3 lightPos;     // the sun, render space
uniform vec3 viewPos;      // the eye, render space
uniform float shininess;   // highlight exponent; 0: no highlight
uniform sampler2D textureDiffuse1;

out vec4 fragColor;

const vec3 skyFill = vec3(0.30, 0.33, 0.42);
const vec3 groundFill = vec3(0.10, 0.08, 0.07);
const float sunAmbient = 0.15;

void main() {
    vec4 texel = texture(textureDiffuse1, texCoord);
    vec3 albedo = pow(texel.rgb, vec3(2.2));

    // A mesh without normals gives zero normals: light it by the fill alone, facing up.
    vec3 n = dot(worldNormal, worldNormal) > 1e-12 ? normalize(worldNormal) : vec3(0.0, 1.0, 0.0);
    vec3 toLight = normalize(lightPos - worldPosition);
    vec3 toEye = normalize(viewPos - worldPosition);
    vec3 halfway = normalize(toLight + toEye);

    vec3 fill = mix(groundFill, skyFill, 0.5 + 0.5 * n.y);
    float facing = dot(n, toLight);
    float diffuse = max((facing + 0.2) / 1.2, 0.0);
    float specular = 0.0;
    if (shininess > 0.0 && facing > 0.0) {
        specular = 0.5 * pow(max(dot(n, halfway), 0.0), shininess);
    }

    vec3 lit = albedo * (fill + lightColor * (sunAmbient + diffuse)) + lightColor * specular;
    float exponent = (1.0 / (2.2 * 2.2)) / max(brightness, 0.05);
    fragColor = vec4(pow(max(lit, vec3(0.0)), vec3(exponent)), texel.a);
}
