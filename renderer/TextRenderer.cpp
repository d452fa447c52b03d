#include "renderer/TextRenderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <iostream>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "framework/Shader.h"
#include "state/Settings.h"
#include "platform/gl/GL.h"

namespace {

constexpr FT_UInt mainPixelSize = 24;
constexpr FT_UInt fallbackPixelSize = 28;

// The advance in whole pixels: 26.6 fixed point shifted down, as float.
float advancePixels(const Glyph& glyph) { return static_cast<float>(glyph.advance >> 6); }

// The bitmap as tightly packed 8-bit coverage, top row first. Outlines render to 8-bit rows, but
// a font's own bitmaps may come as 1 bit a pixel, and rows may be padded; uploading those as
// they stand would read past the glyph's buffer. False for the colour and sub-pixel modes.
bool packedCoverage(const FT_Bitmap& bitmap, std::vector<unsigned char>& out) {
    const unsigned width = bitmap.width;
    const unsigned rows = bitmap.rows;
    out.assign(static_cast<std::size_t>(width) * rows, 0);
    if (out.empty()) {
        return true;
    }
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) {
        return false;
    }
    // A negative pitch means the rows run upwards in memory: the top row is the last one.
    const long pitch = bitmap.pitch;
    const unsigned char* top = bitmap.buffer + (pitch < 0 ? -pitch * static_cast<long>(rows - 1) : 0);
    for (unsigned y = 0; y < rows; ++y) {
        const unsigned char* row = top + pitch * static_cast<long>(y);
        unsigned char* dst = &out[static_cast<std::size_t>(y) * width];
        for (unsigned x = 0; x < width; ++x) {
            if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
                dst[x] = row[x];
            } else {
                dst[x] = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
            }
        }
    }
    return true;
}

}  // namespace

TextRenderer* TextRenderer::getInstance() {
    static TextRenderer instance;
    static GlReleaseEntry releaseAtShutdown([] { instance.release(); });
    return &instance;
}

TextRenderer::TextRenderer() = default;

TextRenderer::~TextRenderer() { release(); }

void TextRenderer::release() {
    for (GlTexture& texture : glyphTextures) {
        texture.release();
    }
    glyphTextures.clear();
    glyphs.clear();
    vbo.release();
    vao.release();
    shader.reset();
}

void TextRenderer::load(std::shared_ptr<Shader> textShader, GLFWwindow* gameWindow) {
    shader = std::move(textShader);
    window = gameWindow;
    projection = glm::ortho(0.0f, static_cast<float>(windowWidth), 0.0f, static_cast<float>(windowHeight), -1.0f,
                            1.0f);
    if (shader) {
        shader->use();
        glUniformMatrix4fv(shader->getUniformLocation("projection"), 1, GL_FALSE, glm::value_ptr(projection));
    }

    FT_Library ftLibrary = nullptr;
    if (FT_Init_FreeType(&ftLibrary) != 0) {
        // No line end: whatever the console prints next continues this line.
        std::cout << "ERROR: FREETYPE: Failed to Init FreeType" << std::flush;
        return;
    }
    library = ftLibrary;

    FT_Face face = nullptr;
    if (FT_New_Face(ftLibrary, mainFontPath.c_str(), 0, &face) != 0) {
        std::cout << "ERROR::FREETYPE: Failed to load main font" << std::endl;
        FT_Done_FreeType(ftLibrary);
        library = nullptr;
        return;
    }
    mainFace = face;
    face = nullptr;
    if (FT_New_Face(ftLibrary, fallbackFontPath.c_str(), 0, &face) != 0) {
        std::cout << "ERROR::FREETYPE: Failed to load fallback font" << std::endl;
        FT_Done_Face(mainFace);
        FT_Done_FreeType(ftLibrary);
        mainFace = nullptr;
        library = nullptr;
        return;
    }
    fallbackFace = face;

    FT_Set_Pixel_Sizes(mainFace, 0, mainPixelSize);
    FT_Set_Pixel_Sizes(fallbackFace, 0, fallbackPixelSize);

    // Coverage rows are tightly packed bytes; every upload from here on reads them that way.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    for (int code = 0; code < 128; ++code) {
        const bool fromFallback = usesFallbackFont(code);
        rasterise(code, fromFallback ? fallbackFace : mainFace, fromFallback);
    }

    glBindTexture(GL_TEXTURE_2D, 0);
    FT_Done_Face(fallbackFace);
    FT_Done_Face(mainFace);
    FT_Done_FreeType(ftLibrary);
    fallbackFace = mainFace = nullptr;
    library = nullptr;
}

// The face is chosen by the code alone. A code that face has no glyph for is drawn as the face's
// missing glyph (its box), with that glyph's advance, even when the other face has one.
void TextRenderer::rasterise(int code, FT_FaceRec_* face, bool fromFallback) {
    std::vector<unsigned char> coverage;
    if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER) != 0 ||
        !packedCoverage(face->glyph->bitmap, coverage)) {
        std::cout << (fromFallback ? "ERROR::FREETYTPE: Failed to load Glyph from fallback font"
                                   : "ERROR::FREETYTPE: Failed to load Glyph")
                  << std::endl;
        return;
    }
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;

    GlTexture texture = GlTexture::generate();
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RED, static_cast<GLsizei>(bitmap.width), static_cast<GLsizei>(bitmap.rows), 0,
                 GL_RED, GL_UNSIGNED_BYTE, coverage.empty() ? nullptr : coverage.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    currentGlyph.textureId = texture;
    glyphTextures.push_back(std::move(texture));
    currentGlyph.size = glm::ivec2(static_cast<int>(bitmap.width), static_cast<int>(bitmap.rows));
    currentGlyph.bearing = glm::ivec2(slot->bitmap_left, slot->bitmap_top);
    currentGlyph.advance = static_cast<unsigned int>(slot->advance.x);
    glyphs.insert_or_assign(static_cast<char>(code), currentGlyph);
}

float TextRenderer::renderText(const std::string& text, float x, float y, float scale, const glm::vec3& color,
                               float alpha) {
    if (vao == 0 || vbo == 0) {
        // The HUD pass has not made the glyph quad yet: nothing can be drawn.
        return textWidth(text, scale);
    }
    if (shader) {
        shader->setUniform("textColor", color);
        shader->setUniform("textAlpha", alpha);
    }
    glActiveTexture(GL_TEXTURE0);
    glBindVertexArray(vao);
    const float end = drawGlyphs(text, x, y, scale);
    glBindVertexArray(0);
    glBindTexture(GL_TEXTURE_2D, 0);
    return end - x;
}

float TextRenderer::textWidth(const std::string& text, float scale) const {
    return glyphRunWidth(glyphs, text, scale);
}

float TextRenderer::drawGlyphs(const std::string& text, float x, float y, float scale) {
    // The quads of a run go into fresh storage with one upload and are drawn from their own
    // offsets. Rewriting storage that a queued draw still reads would make the software
    // rasterizer finish everything queued so far, once for every character.
    float pen = x;
    std::size_t next = 0;
    while (next < text.size()) {
        int count = 0;
        for (; next < text.size() && count < glyphBatch; ++next) {
            auto found = glyphs.find(text[next]);
            if (found == glyphs.end()) {
                continue;
            }
            const Glyph& g = found->second;
            const float xpos = pen + static_cast<float>(g.bearing.x) * scale;
            const float ypos = y - static_cast<float>(g.size.y - g.bearing.y) * scale;
            const float w = static_cast<float>(g.size.x) * scale;
            const float h = static_cast<float>(g.size.y) * scale;
            // v = 0 at the top: the texture's first row is the glyph's top row.
            batchQuads[static_cast<std::size_t>(count)] = {
                xpos,     ypos + h, 0.0f, 0.0f, xpos,     ypos, 0.0f, 1.0f, xpos + w, ypos,     1.0f, 1.0f,
                xpos,     ypos + h, 0.0f, 0.0f, xpos + w, ypos, 1.0f, 1.0f, xpos + w, ypos + h, 1.0f, 0.0f,
            };
            batchTextures[static_cast<std::size_t>(count)] = g.textureId;
            pen += advancePixels(g) * scale;
            ++count;
        }
        if (count == 0) {
            break;
        }
        const auto bytes = static_cast<GLsizeiptr>(static_cast<std::size_t>(count) * sizeof(GlyphQuad));
        glBindBuffer(GL_ARRAY_BUFFER, vbo);
        glBufferData(GL_ARRAY_BUFFER, bytes, nullptr, GL_STREAM_DRAW);
        glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, batchQuads.data());
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        for (int i = 0; i < count; ++i) {
            glBindTexture(GL_TEXTURE_2D, batchTextures[static_cast<std::size_t>(i)]);
            glDrawArrays(GL_TRIANGLES, i * 6, 6);
        }
    }
    return pen;
}
