#version 430 core
// Mirror: the view ray reflected about the normal, looked up in the live environment map.
in vec3 worldPosition;
in vec3 worldNormal;

uniform vec3 cameraPos;
uniform samplerCube environment;  // unit 0

out vec4 fragColor;

// The capture draws each face with the screen's x along -right and y along -up of its view,
// and it renders the view along -Z into the +Z face and the view along +Z into the -Z face.
// Read through the cube-map lookup rule, its x and z faces come out mirrored along s, and its
// y faces with s and t swapped and both mirrored. This maps a world direction onto the
// direction whose lookup lands where the capture drew that world direction.
vec3 captureDirection(vec3 r) {
    vec3 a = abs(r);
    if (a.y >= a.x && a.y >= a.z) {
        return vec3(-r.z, r.y, -r.x);
    }
    return vec3(r.x, r.y, -r.z);
}

void main() {
    vec3 incident = normalize(worldPosition - cameraPos);
    vec3 reflected = reflect(incident, normalize(worldNormal));
    fragColor = vec4(texture(environment, captureDirection(reflected)).rgb, 1.0);
}
