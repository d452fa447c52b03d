// Text through the real text program and the shipped fonts, read back from the framebuffer.
#include <GLFW/glfw3.h>

#include <unistd.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "ScreensGlSupport.h"
#include "framework/Shader.h"
#include "game/Screens.h"
#include "state/Settings.h"
#include "renderer/TextRenderer.h"

using screensgl::Box;
using testgl::Pixels;
using screensgl::litBox;
using testgl::readPixels;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 120;
const std::string kFonts = std::string(QV_SOURCE_DIR) + "/assets/fonts/";

// The box the glyph quads of `text` cover when its baseline starts at (x, y).
Box expectedBox(const TextRenderer& text, const std::string& line, float x, float y, float scale) {
    Box box;
    float pen = x;
    for (char c : line) {
        auto found = text.glyphs.find(c);
        if (found == text.glyphs.end()) {
            continue;
        }
        const Glyph& g = found->second;
        if (g.size.x > 0 && g.size.y > 0) {
            const float left = pen + static_cast<float>(g.bearing.x) * scale;
            const float bottom = y - static_cast<float>(g.size.y - g.bearing.y) * scale;
            box.add(static_cast<int>(left), static_cast<int>(bottom));
            box.add(static_cast<int>(left + static_cast<float>(g.size.x) * scale) - 1,
                    static_cast<int>(bottom + static_cast<float>(g.size.y) * scale) - 1);
        }
        pen += static_cast<float>(g.advance >> 6) * scale;
    }
    return box;
}

// Every lit pixel lies in the expected box (one pixel of filtering allowed), and the ink
// reaches near each of its edges.
void expectInkFills(const Box& lit, const Box& expected) {
    ASSERT_FALSE(lit.empty()) << "nothing was drawn";
    EXPECT_GE(lit.x0, expected.x0 - 1);
    EXPECT_GE(lit.y0, expected.y0 - 1);
    EXPECT_LE(lit.x1, expected.x1 + 1);
    EXPECT_LE(lit.y1, expected.y1 + 1);
    EXPECT_LE(lit.x0, expected.x0 + 3);
    EXPECT_LE(lit.y0, expected.y0 + 3);
    EXPECT_GE(lit.x1, expected.x1 - 3);
    EXPECT_GE(lit.y1, expected.y1 - 3);
}

// The advance in 26.6 of one character of a font at a pixel height, straight from FreeType.
long freetypeAdvance(const std::string& font, unsigned pixels, char c) {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    long advance = -1;
    if (FT_Init_FreeType(&library) == 0) {
        if (FT_New_Face(library, font.c_str(), 0, &face) == 0) {
            FT_Set_Pixel_Sizes(face, 0, pixels);
            if (FT_Load_Char(face, static_cast<FT_ULong>(c), FT_LOAD_RENDER) == 0) {
                advance = face->glyph->advance.x;
            }
            FT_Done_Face(face);
        }
        FT_Done_FreeType(library);
    }
    return advance;
}

class TextRendererGl : public testgl::GlTest {
protected:
    void SetUp() override {
        context = std::make_unique<testgl::GlContext>(kWidth, kHeight);
        ASSERT_TRUE(context->ok()) << context->error();
        savedWidth = windowWidth;
        savedHeight = windowHeight;
        windowWidth = kWidth;
        windowHeight = kHeight;
        program = std::make_shared<Shader>("../assets/shaders/FreetypeShader/freetypeShader.vert",
                                           "../assets/shaders/FreetypeShader/freetypeShader.frag");
        text = std::make_unique<TextRenderer>();
        text->mainFontPath = kFonts + "MedusaGothic.ttf";
        text->fallbackFontPath = kFonts + "arial.ttf";
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glViewport(0, 0, kWidth, kHeight);
        clear();
    }

    void TearDown() override {
        if (text) {
            text->release();
        }
        text.reset();
        program.reset();
        windowWidth = savedWidth;
        windowHeight = savedHeight;
        GlTest::TearDown();
    }

    // What the HUD pass does on its first frame.
    void loadWithQuad() {
        text->load(program, context->window());
        text->vao = GlVertexArray::generate();
        text->vbo = GlBuffer::generate();
        glBindVertexArray(text->vao);
        glBindBuffer(GL_ARRAY_BUFFER, text->vbo);
        glBufferData(GL_ARRAY_BUFFER, 96, nullptr, GL_DYNAMIC_DRAW);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 16, nullptr);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindVertexArray(0);
        program->use();
    }

    static void clear() {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    std::shared_ptr<Shader> program;
    std::unique_ptr<TextRenderer> text;
    int savedWidth = 0;
    int savedHeight = 0;
    const glm::vec3 white{1.0f, 1.0f, 1.0f};
};

}  // namespace

TEST_F(TextRendererGl, GlyphTableHoldsPrintableAsciiFromBothFonts) {
    loadWithQuad();
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 1);
    for (int c = 32; c < 127; ++c) {
        ASSERT_TRUE(text->glyphs.count(static_cast<char>(c))) << "no glyph for code " << c;
        EXPECT_TRUE(glIsTexture(text->glyphs.at(static_cast<char>(c)).textureId)) << c;
    }
    // Digits and the colon at 28 px from the fallback face, letters at 24 px from the main face.
    for (char c : std::string("0159:.!")) {
        EXPECT_EQ(static_cast<long>(text->glyphs.at(c).advance), freetypeAdvance(text->fallbackFontPath, 28, c)) << c;
    }
    for (char c : std::string("AtMx")) {
        EXPECT_EQ(static_cast<long>(text->glyphs.at(c).advance), freetypeAdvance(text->mainFontPath, 24, c)) << c;
    }
    // A code its font lacks (the control codes) is the font's missing glyph, drawn with its
    // advance: a box.
    ASSERT_EQ(text->glyphs.count('\x01'), 1u);
    EXPECT_GT(text->glyphs.at('\x01').advance, 0u);
    EXPECT_EQ(static_cast<long>(text->glyphs.at('\x01').advance), freetypeAdvance(text->mainFontPath, 24, '\x01'));
    EXPECT_EQ(text->glyphs.size(), 128u);
    const float boxWidth = text->renderText("\x01", 20.0f, 30.0f, 1.0f, white, 1.0f);
    EXPECT_GT(boxWidth, 0.0f);
    EXPECT_GT(litBox(readPixels(0, kWidth, kHeight), 100).x1, 20) << "the missing glyph's box is drawn";
}

namespace {

// A bitmap font (BDF, which FreeType reads) of solid 8 x 8 cells holding only `codes`, and a
// missing glyph (code 127, the font's default character) `missingWidth` pixels wide and apart.
std::string writeCellFont(const std::filesystem::path& path, int pixels, const std::string& codes, int missingWidth) {
    std::ofstream out(path);
    out << "STARTFONT 2.1\nFONT -qv-cells-medium-r-normal--" << pixels << "-" << pixels * 10
        << "-75-75-c-80-iso10646-1\nSIZE " << pixels << " 75 75\nFONTBOUNDINGBOX 8 8 0 0\n"
        << "STARTPROPERTIES 6\nPIXEL_SIZE " << pixels
        << "\nCHARSET_REGISTRY \"ISO10646\"\nCHARSET_ENCODING \"1\"\nFONT_ASCENT 8\nFONT_DESCENT 0\n"
        << "DEFAULT_CHAR 127\nENDPROPERTIES\nCHARS " << codes.size() + 1 << "\n";
    for (char c : codes) {
        out << "STARTCHAR c" << int(c) << "\nENCODING " << int(c) << "\nSWIDTH 500 0\nDWIDTH 8 0\nBBX 8 8 0 0\nBITMAP\n";
        for (int row = 0; row < 8; ++row) out << "FF\n";
        out << "ENDCHAR\n";
    }
    out << "STARTCHAR missing\nENCODING 127\nSWIDTH 300 0\nDWIDTH " << missingWidth << " 0\nBBX "
        << missingWidth << " 8 0 0\nBITMAP\n";
    for (int row = 0; row < 8; ++row) out << "FF\n";
    out << "ENDCHAR\nENDFONT\n";
    return path.string();
}

}  // namespace

// Each code has one font: a letter the main font lacks is not borrowed from the fallback font,
// nor a digit the fallback font lacks from the main font. Each is its own font's missing glyph.
TEST_F(TextRendererGl, EachCodeComesFromItsOwnFont) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("qv-cell-fonts-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    text->mainFontPath = writeCellFont(dir / "main.bdf", 24, "A1", 5);
    text->fallbackFontPath = writeCellFont(dir / "fallback.bdf", 28, "0B", 6);
    loadWithQuad();
    std::filesystem::remove_all(dir);
    auto advance = [this](char c) { return static_cast<int>(text->glyphs.at(c).advance >> 6); };
    EXPECT_EQ(advance('A'), 8);
    EXPECT_EQ(advance('0'), 8);
    EXPECT_EQ(advance('B'), 5) << "a letter is the main font's: its missing glyph";
    EXPECT_EQ(advance('1'), 6) << "a digit is the fallback font's: its missing glyph";
    EXPECT_EQ(text->textWidth("A1B0", 1.0f), 27.0f);
    // These fonts' glyphs arrive as 1 bit a pixel: each cell still draws as a solid 8 x 8 square.
    text->renderText("A", 20.0f, 30.0f, 1.0f, white, 1.0f);
    const Pixels frame = readPixels(0, kWidth, kHeight);
    const Box ink = litBox(frame, 250);
    EXPECT_EQ(ink.x0, 20);
    EXPECT_EQ(ink.x1, 27);
    EXPECT_EQ(ink.y0, 30);
    EXPECT_EQ(ink.y1, 37);
    EXPECT_EQ(litBox(frame, 40).x1, 27) << "nothing beside the cell";
}

TEST_F(TextRendererGl, LineLandsInItsGlyphBox) {
    loadWithQuad();
    const std::string line = "Tip 01:30";
    const float width = text->renderText(line, 20.0f, 40.0f, 1.0f, white, 1.0f);
    EXPECT_FLOAT_EQ(width, text->textWidth(line, 1.0f));
    EXPECT_GT(width, 60.0f);
    const Pixels frame = readPixels(0, kWidth, kHeight);
    expectInkFills(litBox(frame), expectedBox(*text, line, 20.0f, 40.0f, 1.0f));

    // The same line elsewhere and smaller moves and shrinks its ink.
    clear();
    const float half = text->renderText(line, 150.0f, 70.0f, 0.5f, white, 1.0f);
    EXPECT_FLOAT_EQ(half, text->textWidth(line, 0.5f));
    expectInkFills(litBox(readPixels(0, kWidth, kHeight)), expectedBox(*text, line, 150.0f, 70.0f, 0.5f));
}

TEST_F(TextRendererGl, GlyphsStandUprightAndDescendersReachBelowTheBaseline) {
    loadWithQuad();
    // 'T': its bar is at the top, so the upper rows carry more ink than the lower ones.
    text->renderText("T", 100.0f, 40.0f, 2.0f, white, 1.0f);
    Pixels frame = readPixels(0, kWidth, kHeight);
    const Box box = litBox(frame);
    ASSERT_FALSE(box.empty());
    auto inkInRow = [&](int y) {
        int count = 0;
        for (int x = box.x0; x <= box.x1; ++x) count += frame.at(x, y)[0] > 40 ? 1 : 0;
        return count;
    };
    EXPECT_GT(inkInRow(box.y1 - 2), 2 * inkInRow(box.y0 + 2));

    clear();
    text->renderText("p", 100.0f, 40.0f, 1.0f, white, 1.0f);
    frame = readPixels(0, kWidth, kHeight);
    const Glyph& p = text->glyphs.at('p');
    ASSERT_LT(p.bearing.y, p.size.y);
    EXPECT_LT(litBox(frame).y0, 40 - 1);
}

TEST_F(TextRendererGl, ColourAndAlphaReachThePixels) {
    loadWithQuad();
    const glm::vec3 orange = text->orangeColor;
    text->renderText("MMMM", 20.0f, 40.0f, 2.0f, orange, 1.0f);
    Pixels frame = readPixels(0, kWidth, kHeight);
    int brightest = 0;
    const unsigned char* best = nullptr;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (frame.at(x, y)[0] > brightest) {
                brightest = frame.at(x, y)[0];
                best = frame.at(x, y);
            }
        }
    }
    ASSERT_NE(best, nullptr);
    EXPECT_NEAR(best[0], 0.785 * 255, 3);
    EXPECT_NEAR(best[1], 0.45 * 255, 3);
    EXPECT_NEAR(best[2], 0.256 * 255, 3);

    clear();
    text->renderText("MMMM", 20.0f, 40.0f, 2.0f, white, 0.5f);
    frame = readPixels(0, kWidth, kHeight);
    int peak = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) peak = std::max(peak, static_cast<int>(frame.at(x, y)[0]));
    EXPECT_NEAR(peak, 128, 3);

    clear();
    text->renderText("MMMM", 20.0f, 40.0f, 2.0f, white, 0.0f);
    EXPECT_TRUE(litBox(readPixels(0, kWidth, kHeight), 2).empty());
}

// Codes from 128 up have no entry (the table holds 0 to 127): they draw nothing and take no space.
TEST_F(TextRendererGl, TextsWithoutGlyphsDrawNothingAndMeasureZero) {
    loadWithQuad();
    EXPECT_EQ(text->renderText("", 20.0f, 40.0f, 1.0f, white, 1.0f), 0.0f);
    const std::string noGlyphs = "\x80\xC3\xA9\xFF";
    EXPECT_EQ(text->textWidth(noGlyphs, 1.0f), 0.0f);
    EXPECT_EQ(text->renderText(noGlyphs, 20.0f, 40.0f, 1.0f, white, 1.0f), 0.0f);
    EXPECT_TRUE(litBox(readPixels(0, kWidth, kHeight), 2).empty());
    // Mixed in, they take no space: the line measures as without them.
    EXPECT_FLOAT_EQ(text->textWidth("A" + noGlyphs + "B", 1.0f), text->textWidth("AB", 1.0f));
}

TEST_F(TextRendererGl, MissingFontsLeaveAnEmptyTableWithTheirMessage) {
    text->mainFontPath = "../assets/fonts/no-such-main.ttf";
    testing::internal::CaptureStdout();
    loadWithQuad();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR::FREETYPE: Failed to load main font\n");
    EXPECT_TRUE(text->glyphs.empty());
    EXPECT_EQ(text->renderText("Anything 12:00", 20.0f, 40.0f, 1.0f, white, 1.0f), 0.0f);
    EXPECT_TRUE(litBox(readPixels(0, kWidth, kHeight), 2).empty());
    EXPECT_EQ(text->shader, program);

    TextRenderer second;
    second.mainFontPath = kFonts + "MedusaGothic.ttf";
    second.fallbackFontPath = kFonts + "missing-fallback.ttf";
    testing::internal::CaptureStdout();
    second.load(program, context->window());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR::FREETYPE: Failed to load fallback font\n");
    EXPECT_TRUE(second.glyphs.empty());
    EXPECT_EQ(second.library, nullptr);
    EXPECT_EQ(second.mainFace, nullptr);
    second.release();
}

TEST_F(TextRendererGl, WithoutTheGlyphQuadNothingIsDrawnButWidthsHold) {
    text->load(program, context->window());
    program->use();
    const float width = text->renderText("Tip", 20.0f, 40.0f, 1.0f, white, 1.0f);
    EXPECT_FLOAT_EQ(width, text->textWidth("Tip", 1.0f));
    EXPECT_TRUE(litBox(readPixels(0, kWidth, kHeight), 2).empty());
}

TEST_F(TextRendererGl, ReleaseGivesEveryNameBack) {
    loadWithQuad();
    const GLuint glyphTexture = text->glyphs.at('A').textureId;
    const GLuint vao = text->vao;
    const GLuint vbo = text->vbo;
    text->release();
    EXPECT_FALSE(glIsTexture(glyphTexture));
    EXPECT_FALSE(glIsVertexArray(vao));
    EXPECT_FALSE(glIsBuffer(vbo));
    EXPECT_TRUE(text->glyphs.empty());
    EXPECT_EQ(text->shader, nullptr);
    text->release();  // twice is harmless
}

TEST_F(TextRendererGl, TimeLeftLineSitsInTheLowerLeftCorner) {
    loadWithQuad();
    drawTimeLeft(*text, "65.500000", 0.0f);
    const std::string line = "time  left    01:05";
    const float x = static_cast<float>(kWidth / 17);
    const float y = static_cast<float>(kHeight) / 15.5f;
    expectInkFills(litBox(readPixels(0, kWidth, kHeight)), expectedBox(*text, line, x, y, 1.0f));
}

TEST_F(TextRendererGl, TwoLineMessageIsCentredUnderTheTopFifth) {
    loadWithQuad();
    drawTwoLineMessage(*text, "Bone  Atlas: 2  of  3", 1.0f);
    const Pixels frame = readPixels(0, kWidth, kHeight);
    const float x1 = static_cast<float>(kWidth / 2) - text->textWidth("Bone  Atlas", 1.2f) / 2.0f;
    const float y1 = static_cast<float>(kHeight - kHeight / 5);
    const float x2 = static_cast<float>(kWidth / 2) - text->textWidth(" 2  of  3", 0.8f) / 2.0f;
    const float y2 = static_cast<float>(kHeight - kHeight / 5 - kHeight / 16);
    Box expected = expectedBox(*text, "Bone  Atlas", x1, y1, 1.2f);
    const Box second = expectedBox(*text, " 2  of  3", x2, y2, 0.8f);
    expected.add(second.x0, second.y0);
    expected.add(second.x1, second.y1);
    expectInkFills(litBox(frame), expected);
    // The first line is orange, the second white at two thirds of the alpha.
    bool whiteFound = false;
    for (int y = second.y0; y <= second.y1 && !whiteFound; ++y)
        for (int x = second.x0; x <= second.x1; ++x) {
            const unsigned char* p = frame.at(x, y);
            if (p[0] > 150 && std::abs(p[0] - p[2]) < 4) {
                whiteFound = true;
                EXPECT_LE(p[0], 172);  // 2/3 of full coverage at most
                break;
            }
        }
    EXPECT_TRUE(whiteFound);
}
