#pragma once
// One textured quad in normalised device coordinates, drawn with the GUI program and an alpha,
// and the full-screen images of the game.
#include <memory>
#include <string>
#include <vector>

#include "framework/GlHandle.h"

class Shader;
class TextureDXT5;

// The full-screen quad, (x, y, u, v) per vertex, v = 1 at the top edge.
std::vector<float> fullScreenQuadVertices();

// A vertex array of (x, y, u, v) vertices: attribute 0 the position, attribute 1 the texture
// coordinate. Leaves the vertex array bound. The GUI images, the pause picture and the blur
// all draw through one of these.
void createQuadVertexArray(const std::vector<float>& vertices, GlVertexArray& vao, GlBuffer& vbo);
// The bg panel's quad: a margin of a thirtieth of the framebuffer on each axis, a quarter of
// it wide and a twelfth high (normalised device coordinates, so the same at any size).
std::vector<float> cornerQuadVertices(int framebufferWidth, int framebufferHeight);

class GuiImage {
public:
    GlVertexArray vao;
    GlBuffer vbo;
    std::shared_ptr<Shader> shader;
    std::shared_ptr<TextureDXT5> texture;

    // An empty image: no OpenGL objects, no shader, no texture; drawing it does nothing.
    GuiImage() = default;
    // Reads basePath + "169.dds" when is16by9 is set, else basePath + ".dds". Fewer than 24
    // floats (six vertices, what draw always draws) are refused with a message: the image
    // stays empty.
    GuiImage(std::vector<float> vertices, std::string basePath, std::shared_ptr<Shader> shader);
    ~GuiImage();

    GuiImage(const GuiImage&) = delete;
    GuiImage& operator=(const GuiImage&) = delete;
    GuiImage(GuiImage&& other) noexcept;
    GuiImage& operator=(GuiImage&& other) noexcept;

    // Draws the six vertices with the image's program (made current here), uniform "alpha"
    // and "rotation" 0. Blending, depth test and viewport are the caller's.
    void draw(float alpha);

    // Gives the OpenGL names back (shutdown, before the context goes); the image is empty afterwards.
    void release();
};

class Overlay {
public:
    std::vector<float> vertices;  // the full-screen quad
    std::shared_ptr<Shader> shader;
    GuiImage title;
    GuiImage loading;
    GuiImage failed;
    GuiImage success;
    GuiImage red;
    GuiImage pause;

    static Overlay* getInstance();
    void loadImages(std::shared_ptr<Shader> guiShader);
    void release();

private:
    Overlay();
};
