// GUI images through the real GUI program: blending, orientation, the 16:9 variant, the
// refused short quad and the ownership of the OpenGL names.
#include <GLFW/glfw3.h>

#include <memory>
#include <sstream>
#include <string>
#include <type_traits>

#include <IL/il.h>
#include <IL/ilu.h>

#include "support/ScratchAssets.h"
#include "ScreensGlSupport.h"
#include "framework/Shader.h"
#include "game/Console.h"
#include "state/GlobalState.h"
#include "game/Screens.h"
#include "state/Settings.h"
#include "renderer/GuiImage.h"
#include "renderer/TextureDXT5.h"

using testgl::Pixels;
using testgl::readPixels;
using screensgl::Rgba;

static_assert(!std::is_copy_constructible_v<GuiImage> && !std::is_copy_assignable_v<GuiImage>,
              "a copied GuiImage would delete its OpenGL names twice");
static_assert(std::is_nothrow_move_constructible_v<GuiImage> && std::is_nothrow_move_assignable_v<GuiImage>);

namespace {

constexpr int kSize = 64;

void expectPixel(const Pixels& frame, int x, int y, int r, int g, int b, int tolerance = 3) {
    const glm::ivec3 colour = frame.rgb(x, y);
    EXPECT_TRUE(testgl::near(colour, glm::ivec3(r, g, b), tolerance))
        << "at " << x << "," << y << ": " << testgl::describe(colour) << ", expected "
        << testgl::describe(glm::ivec3(r, g, b)) << " within " << tolerance;
}

class GuiImageGl : public testgl::GlTest {
protected:
    void SetUp() override {
        context = std::make_unique<testgl::GlContext>(kSize, kSize);
        ASSERT_TRUE(context->ok()) << context->error();
        static bool devilReady = false;
        if (!devilReady) {
            ilInit();
            iluInit();
            devilReady = true;
        }
        scratch = std::make_unique<ScratchAssets>();
        cwd = std::make_unique<WorkingDirectory>(scratch->executableDirectory());
        program = std::make_shared<Shader>("../assets/shaders/GUIShader/guiShader.vert",
                                           "../assets/shaders/GUIShader/guiShader.frag");
        saved16by9 = is16by9;
        is16by9 = false;
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glViewport(0, 0, kSize, kSize);
        clearBlue();
    }

    void TearDown() override {
        program.reset();
        cwd.reset();
        scratch.reset();
        is16by9 = saved16by9;
        resetStateForTests();
        GlTest::TearDown();
    }

    static void clearBlue() {
        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    // Writes base.dds and returns the base name.
    std::string writeDds(const std::string& base, const std::vector<unsigned char>& bytes) {
        const std::string name = scratch->write(base + ".dds", bytes);
        return name.substr(0, name.size() - 4);
    }

    // Writes base.dds and base169.dds and returns the base name.
    std::string writeImage(const std::string& base, Rgba plain, Rgba wide) {
        scratch->write(base + ".dds", screensgl::solidDds(plain));
        const std::string name = scratch->write(base + "169.dds", screensgl::solidDds(wide));
        return name.substr(0, name.size() - std::string("169.dds").size());
    }

    std::unique_ptr<ScratchAssets> scratch;
    std::unique_ptr<WorkingDirectory> cwd;
    std::shared_ptr<Shader> program;
    bool saved16by9 = false;
};

}  // namespace

TEST_F(GuiImageGl, AlphaBlendsTheImageOverTheFrame) {
    const std::string base = writeImage("red", {255, 0, 0, 255}, {0, 255, 0, 255});
    GuiImage image(fullScreenQuadVertices(), base, program);
    ASSERT_NE(image.vao, 0u);

    image.draw(1.0f);
    expectPixel(readPixels(0, kSize, kSize), 32, 32, 255, 0, 0);

    clearBlue();
    image.draw(0.5f);
    expectPixel(readPixels(0, kSize, kSize), 32, 32, 128, 0, 127);

    // Alpha 0 still draws, and shows nothing.
    clearBlue();
    image.draw(0.0f);
    expectPixel(readPixels(0, kSize, kSize), 32, 32, 0, 0, 255);
}

TEST_F(GuiImageGl, TransparentTexelsLetTheClearColourThrough) {
    GuiImage image(fullScreenQuadVertices(),
                   writeDds("half", screensgl::twoToneDds({255, 255, 255, 0}, {255, 255, 255, 128})), program);
    image.draw(1.0f);
    const Pixels frame = readPixels(0, kSize, kSize);
    expectPixel(frame, 32, 8, 0, 0, 255);              // the file's first rows: fully transparent
    expectPixel(frame, 32, 56, 128, 128, 255, 4);  // its last rows: half transparent
}

TEST_F(GuiImageGl, FileRowsAreStoredBottomRowFirst) {
    // The image files store their picture bottom row first (v = 1 is the quad's top edge):
    // the file's first rows land at the bottom of the window.
    GuiImage image(fullScreenQuadVertices(),
                   writeDds("updown", screensgl::twoToneDds({255, 0, 0, 255}, {0, 255, 0, 255})), program);
    image.draw(1.0f);
    const Pixels frame = readPixels(0, kSize, kSize);
    expectPixel(frame, 32, 12, 255, 0, 0);
    expectPixel(frame, 32, kSize - 12, 0, 255, 0);
}

TEST_F(GuiImageGl, SixteenByNineVariantAtExactly1280By720) {
    const std::string base = writeImage("variant", {255, 0, 0, 255}, {0, 255, 0, 255});
    GLFWvidmode mode{1920, 1080, 8, 8, 8, 0};
    monitorAspectRatioDetection = false;
    std::istringstream noAnswers;

    windowWidth = 1280;
    windowHeight = 720;
    testing::internal::CaptureStdout();
    chooseWindowSizeAtStartup(&mode, noAnswers);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(is16by9);
    GuiImage wide(fullScreenQuadVertices(), base, program);

    windowWidth = 1280;
    windowHeight = 768;
    testing::internal::CaptureStdout();
    chooseWindowSizeAtStartup(&mode, noAnswers);
    testing::internal::GetCapturedStdout();
    ASSERT_FALSE(is16by9);
    GuiImage other(fullScreenQuadVertices(), base, program);

    wide.draw(1.0f);
    expectPixel(readPixels(0, kSize, kSize), 32, 32, 0, 255, 0);
    other.draw(1.0f);
    expectPixel(readPixels(0, kSize, kSize), 32, 32, 255, 0, 0);

    // A later change of the flag (the full-screen key) does not reload an image.
    is16by9 = true;
    other.draw(1.0f);
    expectPixel(readPixels(0, kSize, kSize), 32, 32, 255, 0, 0);
}

TEST_F(GuiImageGl, FewerThanSixVerticesAreRefused) {
    const std::string base = writeImage("short", {255, 0, 0, 255}, {255, 0, 0, 255});
    std::vector<float> shortQuad = fullScreenQuadVertices();
    shortQuad.resize(23);
    testing::internal::CaptureStdout();
    GuiImage image(shortQuad, base, program);
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(output.find("at least 24 floats"), std::string::npos) << output;
    EXPECT_NE(output.find("got 23"), std::string::npos) << output;
    EXPECT_EQ(image.vao, 0u);
    EXPECT_EQ(image.vbo, 0u);
    EXPECT_EQ(image.texture, nullptr);
    image.draw(1.0f);
    expectPixel(readPixels(0, kSize, kSize), 32, 32, 0, 0, 255);

    testing::internal::CaptureStdout();
    GuiImage none(std::vector<float>{}, base, program);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("got 0"), std::string::npos);
    none.draw(1.0f);
}

TEST_F(GuiImageGl, MovingHandsTheNamesOverOnce) {
    const std::string base = writeImage("moved", {255, 0, 0, 255}, {255, 0, 0, 255});
    GuiImage first(fullScreenQuadVertices(), base, program);
    const GLuint vao = first.vao;
    const GLuint vbo = first.vbo;
    GuiImage second(std::move(first));
    EXPECT_EQ(first.vao, 0u);
    EXPECT_EQ(first.texture, nullptr);
    EXPECT_EQ(second.vao, vao);

    GuiImage third;
    third = std::move(second);
    EXPECT_EQ(second.vao, 0u);
    EXPECT_EQ(third.vbo, vbo);
    third.draw(1.0f);
    expectPixel(readPixels(0, kSize, kSize), 32, 32, 255, 0, 0);

    // Assigning over a built image gives the old names back first.
    GuiImage replacement(fullScreenQuadVertices(), base, program);
    third = std::move(replacement);
    EXPECT_FALSE(glIsVertexArray(vao));
    EXPECT_FALSE(glIsBuffer(vbo));
    // An empty image draws nothing and its destructor deletes nothing.
    first.draw(1.0f);
}

TEST_F(GuiImageGl, ReleaseEmptiesTheImage) {
    const std::string base = writeImage("released", {255, 0, 0, 255}, {255, 0, 0, 255});
    GuiImage image(fullScreenQuadVertices(), base, program);
    const GLuint vao = image.vao;
    const GLuint vbo = image.vbo;
    const GLuint texture = image.texture->handle;
    image.release();
    EXPECT_FALSE(glIsVertexArray(vao));
    EXPECT_FALSE(glIsBuffer(vbo));
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(image.shader, nullptr);
    image.draw(1.0f);
    expectPixel(readPixels(0, kSize, kSize), 32, 32, 0, 0, 255);
    image.release();
}

TEST_F(GuiImageGl, CornerQuadIsTheSameAtEverySize) {
    for (auto size : {std::pair{1280, 768}, std::pair{1280, 720}, std::pair{640, 360}, std::pair{0, 0}}) {
        const std::vector<float> q = cornerQuadVertices(size.first, size.second);
        ASSERT_EQ(q.size(), 24u);
        EXPECT_NEAR(q[0], -0.93333f, 1e-4f);   // left
        EXPECT_NEAR(q[1], -0.76667f, 1e-4f);   // top
        EXPECT_NEAR(q[5], -0.93333f, 1e-4f);   // bottom
        EXPECT_NEAR(q[8], -0.43333f, 1e-4f);   // right
        EXPECT_EQ(q[2], 0.0f);
        EXPECT_EQ(q[3], 1.0f);
        EXPECT_EQ(q[22], 1.0f);
        EXPECT_EQ(q[23], 1.0f);
    }
    // Drawn: lower-left corner of the window only.
    const std::string base = writeImage("corner", {255, 0, 0, 255}, {255, 0, 0, 255});
    GuiImage corner(cornerQuadVertices(kSize, kSize), base, program);
    corner.draw(1.0f);
    const Pixels frame = readPixels(0, kSize, kSize);
    expectPixel(frame, 8, 4, 255, 0, 0);    // x 2.1..18.1, y 2.1..7.5 pixels
    expectPixel(frame, 32, 32, 0, 0, 255);
    expectPixel(frame, 1, 1, 0, 0, 255);
}

TEST_F(GuiImageGl, LoadingOverlaySetsItsClearColourAndFadesTheLoadingImage) {
    Overlay& overlay = *Overlay::getInstance();
    EXPECT_EQ(overlay.vertices, fullScreenQuadVertices());
    overlay.shader = program;
    overlay.loading = GuiImage(overlay.vertices, writeImage("loading", {255, 0, 0, 255}, {255, 0, 0, 255}), program);
    textFadeAlpha = 0.5f;
    renderLoadingOverlay(overlay);
    GLfloat clearColour[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    EXPECT_NEAR(clearColour[0], 0.149f, 1e-6f);
    EXPECT_NEAR(clearColour[1], 0.333f, 1e-6f);
    EXPECT_NEAR(clearColour[2], 0.459f, 1e-6f);
    EXPECT_EQ(clearColour[3], 1.0f);
    // The colour shows from the next clear on; this frame gets the image at half opacity.
    expectPixel(readPixels(0, kSize, kSize), 32, 32, 128, 0, 127);

    overlay.release();
    EXPECT_EQ(overlay.loading.vao, 0u);
    EXPECT_EQ(overlay.shader, nullptr);
    resetStateForTests();
}

// Confined to the pixels that can sample a visible texel, a mostly transparent full-screen image
// gives the same frame as drawn whole. The window minifies the 384-texel image by 6 (trilinear
// between the 96- and 48-texel levels); one patch lies inside, the other touches the left edge
// and, through the repeat wrapping of the coarser level, tints the window's right edge too.
TEST_F(GuiImageGl, ConfinedToItsVisibleTexelsAMostlyTransparentImageDrawsTheSameFrame) {
    testdds::DdsDescription desc;
    desc.width = 384;
    desc.height = 384;
    for (int blockRow = 0; blockRow < 96; ++blockRow) {
        for (int blockColumn = 0; blockColumn < 96; ++blockColumn) {
            const bool patch = (blockRow == 50 && blockColumn == 0) || (blockRow == 30 && blockColumn == 60);
            screensgl::appendSolidBlock(desc.data, 255, 0, 0, patch ? 255 : 0);
        }
    }
    const std::vector<std::uint8_t> bytes = testdds::buildDds(desc);
    const std::string base = writeDds("patches", std::vector<unsigned char>(bytes.begin(), bytes.end()));
    GuiImage image(fullScreenQuadVertices(), base, program);
    ASSERT_NE(image.vao, 0u);

    image.draw(1.0f);
    const Pixels whole = readPixels(0, kSize, kSize);
    int tinted = 0;
    for (int y = 0; y < kSize; ++y) {
        tinted += whole.at(0, y)[0] > 0 ? 1 : 0;
        tinted += whole.at(kSize - 1, y)[0] > 0 ? 1 : 0;
    }
    ASSERT_GE(tinted, 2) << "both edges of the window should show the edge patch";

    clearBlue();
    image.confineToVisibleTexels();
    image.draw(1.0f);
    const Pixels confined = readPixels(0, kSize, kSize);
    EXPECT_EQ(confined.rgba, whole.rgba);
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
}
