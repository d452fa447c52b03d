// The pause snapshot's blur through its two real programs: it works in place, leaves the
// default framebuffer bound, keeps size and format, and turns edges into gradients without
// pulling in the opposite side of the picture.
#include <memory>

#include <gtest/gtest.h>

#include "support/PeripheryGl.h"
#include "framework/Shader.h"
#include "state/Settings.h"
#include "renderer/Blur.h"

using periph::PeripheryGlTest;

namespace {

constexpr int W = 96;
constexpr int H = 48;

class BlurGl : public PeripheryGlTest {
protected:
    void SetUp() override {
        PeripheryGlTest::SetUp();
        blur = Blur::getInstance();
        const std::string dir = "../assets/shaders/BlurShader/";
        blur->horizontalShader = std::make_shared<Shader>(dir + "blurShader.vert", dir + "horizontalBlurShader.frag");
        blur->verticalShader = std::make_shared<Shader>(dir + "blurShader.vert", dir + "verticalBlurShader.frag");
        currentWidth = W;
        currentHeight = H;
        glViewport(0, 0, W, H);
    }
    void TearDown() override {
        blur->horizontalShader.reset();
        blur->verticalShader.reset();
        glDeleteTextures(1, &snapshot);
        PeripheryGlTest::TearDown();
    }

    // A W x H RGB snapshot like the pause copy makes (linear filtering, default wrap), painted
    // white where `white(x, y)` holds and black elsewhere; rows bottom first.
    template <typename F>
    void paint(F white) {
        std::vector<unsigned char> rgb(W * H * 3);
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                const unsigned char v = white(x, y) ? 255 : 0;
                for (int k = 0; k < 3; ++k) rgb[static_cast<std::size_t>((y * W + x) * 3 + k)] = v;
            }
        }
        glGenTextures(1, &snapshot);
        glBindTexture(GL_TEXTURE_2D, snapshot);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, W, H, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    // The red channel; the picture is grey.
    static int at(const testgl::Pixels& picture, int x, int y) { return picture.at(x, y)[0]; }

    Blur* blur = nullptr;
    unsigned int snapshot = 0;
};

}  // namespace

TEST_F(BlurGl, BlursInPlaceAndLeavesTheDefaultFramebufferBound) {
    paint([](int x, int) { return x >= W / 2; });
    periph::Target elsewhere(4, 4);
    glBindFramebuffer(GL_FRAMEBUFFER, elsewhere.fbo);
    glViewport(0, 0, W, H);
    EXPECT_EQ(blur->apply(snapshot), snapshot);

    GLint drawFramebuffer = -1, readFramebuffer = -1;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
    EXPECT_EQ(drawFramebuffer, 0);
    EXPECT_EQ(readFramebuffer, 0);
    glBindTexture(GL_TEXTURE_2D, snapshot);
    GLint width = 0, height = 0, format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_EQ(width, W);
    EXPECT_EQ(height, H);
    EXPECT_EQ(format, GL_RGB);
    EXPECT_EQ(blur->texelSize, glm::vec2(1.0f / W, 1.0f / H));
    // Both passes got the same radius and texel size.
    for (const std::shared_ptr<Shader>& pass : {blur->horizontalShader, blur->verticalShader}) {
        EXPECT_EQ(periph::uniformValues(pass->program, "blurRadius", 1)[0], 8.0f);
        const std::vector<float> texel = periph::uniformValues(pass->program, "texelSize", 2);
        EXPECT_EQ(glm::vec2(texel[0], texel[1]), glm::vec2(1.0f / W, 1.0f / H));
    }
}

TEST_F(BlurGl, SharpEdgeBecomesASmoothGradient) {
    paint([](int x, int) { return x >= W / 2; });
    blur->apply(snapshot);
    const testgl::Pixels rgba = testgl::readTexture(snapshot);
    ASSERT_EQ(rgba.width, W);
    for (int y : {0, H / 2, H - 1}) {
        // Far from the edge the picture is untouched, on both sides.
        EXPECT_EQ(at(rgba, 0, y), 0);
        EXPECT_EQ(at(rgba, W - 1, y), 255);
        // Across the edge it rises steadily through many grey levels.
        int steps = 0;
        for (int x = 1; x < W; ++x) {
            ASSERT_GE(at(rgba, x, y), at(rgba, x - 1, y)) << "at x " << x << ", row " << y;
            steps += at(rgba, x, y) > at(rgba, x - 1, y) ? 1 : 0;
        }
        EXPECT_GE(steps, 16) << "row " << y;
        EXPECT_NEAR(at(rgba, W / 2 - 1, y) + at(rgba, W / 2, y), 255, 6) << "symmetric about the edge";
        EXPECT_GT(at(rgba, W / 2 - 8, y), 10) << "reaches at least 8 texels out";
        EXPECT_LT(at(rgba, W / 2 + 7, y), 245);
        // Colour channels stay together.
        const glm::ivec3 middle = rgba.rgb(W / 2, y);
        EXPECT_EQ(middle.r, middle.g);
        EXPECT_EQ(middle.r, middle.b);
    }
}

// The snapshot repeats by default; a blur that wrapped would bleed the top of the picture
// into its bottom rows and the right edge into the left.
TEST_F(BlurGl, EdgesOfThePictureDoNotBleedIntoTheOppositeSide) {
    paint([](int x, int y) { return y >= H - 4 || x >= W - 4; });
    blur->apply(snapshot);
    const testgl::Pixels rgba = testgl::readTexture(snapshot);
    ASSERT_EQ(rgba.width, W);
    EXPECT_EQ(at(rgba, 0, 0), 0);
    EXPECT_EQ(at(rgba, W / 2, 0), 0);
    EXPECT_EQ(at(rgba, 0, H / 2), 0);
    // The white band itself keeps most of its light at the very border.
    EXPECT_GT(at(rgba, W / 2, H - 1), 100);
    EXPECT_GT(at(rgba, W - 1, H / 2), 100);
    // Vertical blur happened too: the band fades downwards.
    EXPECT_GT(at(rgba, W / 2, H - 8), 0);
    EXPECT_LT(at(rgba, W / 2, H - 8), at(rgba, W / 2, H - 3));
}

TEST_F(BlurGl, WithoutProgramsOrWithoutAWindowSizeThePictureIsLeftAlone) {
    paint([](int x, int) { return x >= W / 2; });
    const testgl::Pixels before = testgl::readTexture(snapshot);
    std::shared_ptr<Shader> vertical = blur->verticalShader;
    blur->verticalShader.reset();
    EXPECT_EQ(blur->apply(snapshot), snapshot);
    blur->verticalShader = vertical;
    currentHeight = 0;
    EXPECT_EQ(blur->apply(snapshot), snapshot);
    EXPECT_EQ(testgl::readTexture(snapshot).rgba, before.rgba);
}
