#pragma once
// Shared ground of the periphery's OpenGL tests. The sky, the environment map, the lens flare
// and the blur are process-wide singletons that keep their OpenGL names for the whole run, so
// every test of a process shares one hidden context instead of one per test. The working
// directory is a child of the source root, so "../assets/..." names that the game opens
// directly (JPEG faces, DevIL decodes) reach the real asset tree.
#include <GlContext.h>
#include <PixelReadback.h>

#include <memory>
#include <string>
#include <vector>

#include <glm/glm.hpp>

namespace periph {

// The one context of the process (created by the first test that needs it).
testgl::GlContext& sharedContext();

// Every test: settings, global flags, camera and player back to their start values; fails at
// the end on any OpenGL error the test left.
class PeripheryGlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::vector<std::string> takeErrors();
};

// A single-sample RGBA8 colour texture with a depth buffer to draw into and read back; the
// default framebuffer of a hidden window is not something to read pixels from.
class Target {
public:
    Target(int width, int height);
    ~Target();
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;

    // Binds it as the draw and read framebuffer, sets the viewport to its size.
    void bind() const;
    void clear(float r, float g, float b) const;
    // Its colour, bottom row first; (x, y) in window coordinates.
    testgl::Pixels read() const;

    int width, height;
    unsigned int fbo = 0, color = 0, depth = 0;
};

// Current value of a float uniform (count floats: 1, 2, 4, 16) of a program, asserted to exist.
std::vector<float> uniformValues(unsigned int program, const std::string& name, int count);

// Direction through texel (column i, row j) of cube face `face` (+X, -X, +Y, -Y, +Z, -Z) of a
// size x size cube map, by the OpenGL cube-map rule (row 0 is t = 0).
glm::vec3 cubeTexelDirection(int face, int i, int j, int size);

// A cube map whose colour tells the signs of the direction: red where x > 0, green where
// y > 0, blue where z > 0, each channel 255 or 0. A mirrored, rotated or swapped face shows
// up as the wrong sign pattern, and a mild tint cannot move a channel across the middle.
unsigned int createSignCubeMap(int size);

// The bound cube map's sampling, as the game's environment map is sampled: nearest texels,
// clamped at the edges.
void sampleCubeMapAsTheMirrorDoes();

// The sign pattern a direction should show, per component: 1 (> 0), 0 (< 0), or -1 where the
// component is too close to 0 (below `margin` of the length) to be judged.
glm::ivec3 expectedSigns(const glm::vec3& direction, float margin = 0.2f);

// How many of the judged channels of a pixel disagree with the expected signs.
int signMismatches(const glm::ivec3& rgb, const glm::ivec3& expected);

// Where a ray from `origin` along `dir` enters the cube of half-size 0.5 at the origin, with
// the side's outward normal; false when it misses or lands within `edge` of a cube edge.
bool hitCube(const glm::vec3& origin, const glm::vec3& dir, glm::vec3& point, glm::vec3& normal, float edge);

// Captured standard output of a block, split into lines.
std::vector<std::string> lines(const std::string& text);

}  // namespace periph
