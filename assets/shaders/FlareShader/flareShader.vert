#version 430 core
// One lens-flare sprite. "transform" holds the sprite's centre in screen units (0 to 1 across
// the window, y growing downwards) and its size in x and y in the same units.
layout(location = 0) in vec2 corner;  // -0.5 to 0.5

uniform vec4 transform;

out vec2 texCoord;

void main() {
    vec2 screen = transform.xy + corner * transform.zw;
    // corner.y grows downwards like the screen's y, and image rows arrive top row first
    // (t = 0), so t follows corner.y: the image stands upright.
    texCoord = corner + vec2(0.5);
    gl_Position = vec4(screen.x * 2.0 - 1.0, 1.0 - screen.y * 2.0, 0.0, 1.0);
}
