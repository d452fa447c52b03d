#version 430 core
// The full-screen quad of the pause snapshot: positions in normalised device coordinates.
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 uv;

out vec2 texCoord;

void main() {
    texCoord = uv;
    gl_Position = vec4(position, 0.0, 1.0);
}
