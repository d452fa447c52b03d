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

// The texels of one mip level (width x height texels) whose alpha is not 0: columns x0 to x1
// and rows y0 to y1, inclusive; x1 < x0 when there is none.
struct VisibleTexels {
    int width = 0, height = 0;
    int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
};

// A rectangle of window pixels, origin lower left.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The pixels of a viewport of the given size in which a full-screen quad textured with these
// levels (trilinear filtering, repeat wrapping) can sample a texel whose alpha is not 0:
// bilinear taps on every level up to two above the ones the quad's footprint selects, a texel
// of slack around each level's box and two pixels of slack around the result. Every other
// pixel samples alpha 0 exactly. The empty rectangle when no level has such a texel.
PixelRect pixelsReachingVisibleTexels(const std::vector<VisibleTexels>& levels, int viewportWidth,
                                      int viewportHeight);

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
    // and "rotation" 0. Blending, depth test and viewport are the caller's, except that an
    // opaque image at alpha exactly 1 is drawn with blending off: each of its fragments would
    // blend to its own colour, so nothing under it needs to be read.
    void draw(float alpha);

    // Whether drawing at `alpha` replaces every pixel of the viewport: a full-screen quad of an
    // opaque image at alpha exactly 1, under a render state that writes every fragment (filled,
    // not culled, no depth, stencil or scissor test). What was there before (the clear) is then
    // never seen.
    bool coversViewport(float alpha) const;

    // For a full-screen image that is transparent nearly everywhere: reads the texture's mip
    // levels back once and from then on draws the quad with the scissor test confined to the
    // pixels that can sample a visible texel (pixelsReachingVisibleTexels). The quad is
    // rasterized exactly as before and the colour of every other pixel would blend with alpha 0
    // to what it was; the only thing left out is the depth they would write, so this is for an
    // image after which the frame reads no depth (the mute mark).
    void confineToVisibleTexels();

    // Gives the OpenGL names back (shutdown, before the context goes); the image is empty afterwards.
    void release();

private:
    std::vector<VisibleTexels> visibleTexels;  // empty: the quad is drawn whole
    bool fullScreen = false;                   // the quad is fullScreenQuadVertices()
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
