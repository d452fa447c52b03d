#pragma once
// Single lines of screen-space text from glyph textures rasterised once at load. Positions are
// pixels of the configured window size (windowWidth x windowHeight), origin lower left; a line
// is placed by the start of its baseline.
#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "framework/GlHandle.h"

class Shader;
struct GLFWwindow;
// FreeType's handle types are pointers to these; the header needs no FreeType include.
struct FT_LibraryRec_;
struct FT_FaceRec_;

// One rasterised character.
struct Glyph {
    unsigned int textureId = 0;  // GL_RED coverage bitmap, first row = top row; glyphTextures owns it
    glm::ivec2 size{0, 0};       // bitmap width and rows, pixels
    glm::ivec2 bearing{0, 0};    // pen to the bitmap's left edge (x), baseline up to its top edge (y)
    unsigned int advance = 0;    // pen advance in 1/64 pixel (26.6 fixed point)
};

// Width in pixels of `text` at `scale` over a glyph table: the sum of the whole-pixel advances
// (26.6 fixed point shifted down). A character without an entry (codes 128 and above, or one
// no font could draw) adds nothing.
inline float glyphRunWidth(const std::map<char, Glyph>& glyphs, const std::string& text, float scale) {
    float width = 0.0f;
    for (char c : text) {
        auto found = glyphs.find(c);
        if (found != glyphs.end()) {
            width += static_cast<float>(found->second.advance >> 6) * scale;
        }
    }
    return width;
}

// The characters the fallback face draws: digits and the punctuation of the HUD
// (! " ' ( ) , - . 0-9 : [ ]); the main face draws every other code.
inline bool usesFallbackFont(int code) {
    switch (code) {
    case '!': case '"': case '\'': case '(': case ')': case ',': case '-': case '.': case '[': case ']':
        return true;
    default:
        return code >= '0' && code <= ':';
    }
}

class TextRenderer {
public:
    glm::vec3 orangeColor{0.785f, 0.45f, 0.256f};
    glm::vec3 blueColor{0.208f, 0.459f, 0.62f};
    glm::vec3 whiteColor{1.0f, 1.0f, 1.0f};
    std::string mainFontPath = "../assets/fonts/MedusaGothic.ttf";
    std::string fallbackFontPath = "../assets/fonts/arial.ttf";
    GlVertexArray vao;  // glyph quad; made by the HUD pass on its first frame
    GlBuffer vbo;       // the quads of one run of characters: six vertices of (x, y, u, v) each
    Glyph currentGlyph;
    std::map<char, Glyph> glyphs;
    std::vector<GlTexture> glyphTextures;  // every glyph's texture, in the order rasterised
    FT_LibraryRec_* library = nullptr;  // valid only inside load
    FT_FaceRec_* mainFace = nullptr;
    FT_FaceRec_* fallbackFace = nullptr;
    std::shared_ptr<Shader> shader;
    glm::mat4 projection{0.0f};
    GLFWwindow* window = nullptr;

    // A run of up to glyphBatch characters is laid out here, uploaded at once and drawn quad by
    // quad (kept in the object so that drawing text allocates nothing).
    static constexpr int glyphBatch = 64;
    using GlyphQuad = std::array<float, 24>;
    std::array<GlyphQuad, glyphBatch> batchQuads{};
    std::array<unsigned int, glyphBatch> batchTextures{};

    static TextRenderer* getInstance();

    TextRenderer();
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    // Uploads the projection to the program and rasterises codes 0..127 (main face at 24 px,
    // fallback face at 28 px; a code its face lacks gets the face's missing glyph). A font that
    // cannot be opened leaves the table empty: every text then draws nothing and measures 0.
    // Sets the unpack alignment to 1 for good.
    void load(std::shared_ptr<Shader> textShader, GLFWwindow* gameWindow);

    // Draws one line with the program already current; returns its width in pixels (the same
    // as textWidth). Without the glyph quad's vertex array nothing is drawn.
    float renderText(const std::string& text, float x, float y, float scale, const glm::vec3& color, float alpha);
    float textWidth(const std::string& text, float scale) const;
    // The glyph quads of renderText; returns the pen's end x.
    float drawGlyphs(const std::string& text, float x, float y, float scale);

    // Gives the glyph textures, the quad and the program back (shutdown, context still current).
    void release();

private:
    void rasterise(int code, FT_FaceRec_* face, bool fromFallback);
};
