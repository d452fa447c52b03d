#version 430 core
// Mirror: the view ray reflected about the normal, looked up in the live environment map.
in vec3 worldPosition;  // render space, on the cube of half-size 0.5 at the origin
in vec3 worldNormal;

uniform vec3 cameraPos;           // the eye, render space
uniform samplerCube environment;  // unit 0

out vec4 fragColor;

// The capture draws each face with the screen's x along -right and y along -up of its view,
// and it renders the view along -Z into the +Z face and the view along +Z into the -Z face.
// Read through the cube-map lookup rule, its x and z faces come out mirrored along s, and its
// y faces with s and t swapped and both mirrored. This maps a world direction onto the
// direction whose lookup lands where the capture drew that world direction.
// On a seam between a y face and its neighbour the two rules disagree, and the y rule swaps x
// and z; the major axis is nudged so that a tie cannot send the lookup to a face that was
// filled by the other rule (a thin line of the wrong colour along the mirror's diagonals).
vec3 captureDirection(vec3 r) {
    vec3 a = abs(r);
    if (a.y >= a.x && a.y >= a.z) {
        return vec3(-r.z, r.y * 1.001, -r.x);
    }
    return vec3(r.x, r.y, -r.z);
}

void main() {
    vec3 normal = normalize(worldNormal);
    vec3 incident = normalize(worldPosition - cameraPos);
    vec3 reflected = reflect(incident, normal);
    vec3 mirror = texture(environment, captureDirection(reflected)).rgb;
    // A polished metal: a faint cool tint, a little more light at grazing angles, and a thin
    // bright bevel along the edges so that the cube reads as a cube against a like-coloured sky.
    float fresnel = pow(1.0 - clamp(dot(-incident, normal), 0.0, 1.0), 5.0);
    vec3 color = mirror * vec3(0.96, 0.98, 1.0) * (0.9 + 0.1 * fresnel) + fresnel * 0.08;
    vec3 q = abs(worldPosition);
    vec3 inPlane = q * (vec3(1.0) - abs(normal));        // the two coordinates along the face
    float edge = 0.5 - max(inPlane.x, max(inPlane.y, inPlane.z));
    color += vec3(0.22, 0.2, 0.18) * (1.0 - smoothstep(0.0, 0.012, edge));
    fragColor = vec4(min(color, vec3(1.0)), 1.0);
}
