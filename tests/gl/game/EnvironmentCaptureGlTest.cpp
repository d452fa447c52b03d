// The environment capture draws a face only when something it shows may have changed. Along a
// walk of the thief around the mirror cube (in and out of the faces' views, across the band
// where the light and the sky change, with wireframe, culling and brightness toggled), every
// face after every capture must hold, texel for texel, what a capture drawing all six holds.
#include <GLFW/glfw3.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <cstring>
#include <string>

#include <glm/vec3.hpp>

#include "GameScene.h"
#include "game/FramePass.h"
#include "game/GameContext.h"
#include "game/GameLoop.h"
#include "game/KeyBindings.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Player.h"
#include "state/Settings.h"
#include "framework/Shader.h"
#include "renderer/RendererState.h"
#include "renderer/EnvironmentCapture.h"
#include "renderer/PlayerModel.h"

namespace {

using gamescene::GameSceneTest;

std::array<testgl::Pixels, 6> readFaces(const EnvironmentMap& map) {
    std::array<testgl::Pixels, 6> faces;
    for (int face = 0; face < 6; ++face) {
        faces[static_cast<std::size_t>(face)] =
            testgl::readTexture(map.cubeMap.id, GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face));
    }
    return faces;
}

class EnvironmentCaptureGl : public GameSceneTest {
protected:
    void TearDown() override {
        drawEveryPassInFull = false;
        wireframe = faceCulling = false;
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glDisable(GL_CULL_FACE);
        GameSceneTest::TearDown();
    }

    void releaseKey(int key) { keyCallback(window(), key, 0, GLFW_RELEASE, 0); }

    // The thief at `position` (physics space, on the ground band) facing `yaw`, one animation
    // step further, drawn by a game frame that uploads its pose; the light and the sky grade
    // follow its distance from the origin (no fixed step runs: the clock stands still).
    void stand(float x, float z, float yaw, bool running) {
        Player& player = *Player::getInstance();
        player.position = glm::vec3(x, -1.33f, z);
        player.yaw = yaw;
        player.moveForward = running;
        updateGame(context());
        GameState::getInstance()->particleDt = 1.0 / 60.0;
        updateTick = true;
        renderFrame(context());
    }

    // Captures as the game does, then with every face drawn whole (drawEveryPassInFull), and
    // compares the two texel for texel. Counts the faces the first capture left as they were.
    void captureAndCompare(const std::string& step) {
        EnvironmentMap& map = *EnvironmentMap::getInstance();
        // As the frame loop captures; the frame pass leaves both off.
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_MULTISAMPLE);
        renderEnvironmentMap(map, context().textureShader, gammaVector);
        skippedFaces += 6 - static_cast<int>(std::bitset<6>(map.facesDrawnLastCapture).count());
        // Asked again with nothing owed, it draws nothing and says so.
        drawEnvironmentFaces(map, allEnvironmentFaces);
        EXPECT_EQ(map.facesDrawnLastCapture, 0u) << step;
        const std::array<testgl::Pixels, 6> kept = readFaces(map);
        drawEveryPassInFull = true;
        renderEnvironmentMap(map, context().textureShader, gammaVector);
        drawEveryPassInFull = false;
        const std::array<testgl::Pixels, 6> full = readFaces(map);
        for (std::size_t face = 0; face < 6; ++face) {
            ASSERT_EQ(kept[face].rgba.size(), std::size_t{512 * 512 * 4});
            int differing = 0;
            for (std::size_t i = 0; i < kept[face].rgba.size(); i += 4) {
                differing += std::memcmp(&kept[face].rgba[i], &full[face].rgba[i], 3) != 0 ? 1 : 0;
            }
            EXPECT_EQ(differing, 0) << step << ": face " << face << " differs from a full capture";
        }
    }

    int skippedFaces = 0;
};

TEST_F(EnvironmentCaptureGl, SkippedFacesHoldWhatAFullCaptureDraws) {
    constexpr float degrees = 0.017453292f;
    captureAndCompare("start");
    // Round the cube close by, under the light of the origin (blendFactor 1 throughout): the
    // thief leaves the view of each side face it was in.
    for (int a = 0; a <= 360; a += 45) {
        stand(2.0f * std::cos(a * degrees), 2.0f * std::sin(a * degrees), static_cast<float>(a), a % 90 == 0);
        captureAndCompare("radius 2 at " + std::to_string(a) + " degrees");
    }
    // Out through the band where the light and the sky change, to where they stay warm.
    for (float d : {2.5f, 4.0f, 5.5f, 7.0f, 8.5f, 10.0f, 12.0f}) {
        stand(d * std::cos(30.0f * degrees), d * std::sin(30.0f * degrees), 120.0f, true);
        captureAndCompare("distance " + std::to_string(d));
    }
    // Round at a distance, where the thief reaches one face or two.
    for (int a = 75; a <= 255; a += 45) {
        stand(12.0f * std::cos(a * degrees), 12.0f * std::sin(a * degrees), static_cast<float>(a), false);
        captureAndCompare("radius 12 at " + std::to_string(a) + " degrees");
    }
    // Wireframe (F1), then culling (F2), on for a step and a move, then off again.
    for (int key : {GLFW_KEY_F1, GLFW_KEY_F2}) {
        const std::string name = key == GLFW_KEY_F1 ? "wireframe" : "culling";
        releaseKey(key);
        captureAndCompare(name + " on");
        stand(12.0f * std::cos(300.0f * degrees), 12.0f * std::sin(300.0f * degrees), 300.0f, true);
        captureAndCompare(name + " on, moved");
        releaseKey(key);
        captureAndCompare(name + " off");
    }
    // Brighter (F4) and back (F3): gamma lights the level and the sun.
    releaseKey(GLFW_KEY_F4);
    captureAndCompare("brighter");
    releaseKey(GLFW_KEY_F3);
    captureAndCompare("brightness back");
    // Back in, past the cool light, onto the cube itself (the thief then reaches every face).
    for (float d : {9.0f, 5.0f, 1.0f, 0.2f, 2.0f}) {
        stand(d * std::cos(200.0f * degrees), d * std::sin(200.0f * degrees), 20.0f, true);
        captureAndCompare("back in at distance " + std::to_string(d));
    }
    // The walk must have exercised the skipping: most side faces stay as they were far out.
    EXPECT_GT(skippedFaces, 40);
}

// A face drawn frames after its fixed step holds what a capture at the step draws: the light,
// the sky's grade, gamma and brightness, the thief's place, facing, pose and highlights, and the
// render state of that step, whatever they have become since.
TEST_F(EnvironmentCaptureGl, AFaceDrawnLaterHoldsWhatTheCaptureAtItsStepDraws) {
    EnvironmentMap& map = *EnvironmentMap::getInstance();
    PlayerModel& model = *PlayerModel::getInstance();
    Player& player = *Player::getInstance();
    auto captureNow = [&] {
        glEnable(GL_DEPTH_TEST);
        drawEveryPassInFull = true;
        renderEnvironmentMap(map, context().textureShader, gammaVector);
        drawEveryPassInFull = false;
    };
    // Every face holds another moment first.
    stand(-3.0f, -2.0f, 30.0f, false);
    captureNow();
    // The step: its capture is recorded, nothing drawn, and all it reads is noted here.
    stand(1.6f, 1.2f, 200.0f, true);
    glClearColor(0.3f, 0.1f, 0.2f, 1.0f);
    recordEnvironmentCapture(map, context().textureShader, gammaVector);
    ASSERT_EQ(map.facesOwed(), allEnvironmentFaces);
    const glm::vec3 position = player.position, eye = Camera::getInstance()->position;
    const float yaw = player.yaw, blend = blendFactor, bright = brightness;
    const DirectionalLight light = dirL;
    const std::vector<glm::mat4> pose = model.boneMatrices;
    // Frames later: the thief elsewhere in another pose, brighter, in outlines, another clear.
    for (int frame = 0; frame < 12; ++frame) {
        stand(2.5f + 0.01f * static_cast<float>(frame), -0.5f, 120.0f - static_cast<float>(frame), frame > 3);
    }
    releaseKey(GLFW_KEY_F4);
    releaseKey(GLFW_KEY_F1);
    glClearColor(0.0f, 0.6f, 0.1f, 1.0f);
    ASSERT_NE(model.boneMatrices, pose);
    drawEnvironmentFaces(map, allEnvironmentFaces);
    ASSERT_EQ(map.facesOwed(), 0u);
    const std::array<testgl::Pixels, 6> later = readFaces(map);
    // The step again, set by hand, captured at once.
    releaseKey(GLFW_KEY_F1);
    brightness = bright;
    applyBrightness();
    player.position = position;
    player.yaw = yaw;
    Camera::getInstance()->position = eye;
    blendFactor = blend;
    dirL = light;
    model.boneMatrices = pose;
    uploadBoneMatrices(*model.shader, pose);
    glClearColor(0.3f, 0.1f, 0.2f, 1.0f);
    captureNow();
    const std::array<testgl::Pixels, 6> atTheStep = readFaces(map);
    for (std::size_t face = 0; face < 6; ++face) {
        EXPECT_EQ(gamescene::difference(later[face], atTheStep[face], 0).count, 0) << "face " << face;
    }
}

// The tally of what the captures drew, which the differential check trusts for what its runs
// reached. The thief stands far out on the +x axis, where his bounds reach the +x face (0) alone.
// A step under a new clear colour whose pass shows face 0 only draws it whole. After the next
// step (nothing changed), on a pass without one, face 0 owes only its redraw round the thief and
// is drawn in part; face 1 (-x) still holds the old clear colour and is drawn whole after it. A
// texel in a corner of each, painted over beforehand, shows which face was drawn whole.
TEST_F(EnvironmentCaptureGl, TheTallyCountsAFaceInPartThenOneWholeOnAPassWithoutAStep) {
    EnvironmentMap& map = *EnvironmentMap::getInstance();
    auto step = [&] {
        glEnable(GL_DEPTH_TEST);
        recordEnvironmentCapture(map, context().textureShader, gammaVector);
    };
    // What a pass drew, as counted since `before`.
    auto expectCounted = [&map](const EnvironmentMap::DrawTally& before, unsigned long faces, unsigned long partial,
                                unsigned long partialThenWhole, const char* pass) {
        EXPECT_EQ(map.drawTally.faces - before.faces, faces) << pass;
        EXPECT_EQ(map.drawTally.partialFaces - before.partialFaces, partial) << pass;
        EXPECT_EQ(map.drawTally.partialThenWhole - before.partialThenWhole, partialThenWhole) << pass;
    };
    stand(12.0f, 0.0f, 180.0f, false);
    map.forgetFaces();
    step();
    drawEnvironmentFaces(map, allEnvironmentFaces);
    // A step under another clear colour whose pass shows face 0 only, then a step with nothing
    // changed whose pass shows neither.
    glClearColor(0.2f, 0.3f, 0.4f, 1.0f);
    step();
    const EnvironmentMap::DrawTally beforeStepPass = map.drawTally;
    drawEnvironmentFaces(map, 1u << 0);
    expectCounted(beforeStepPass, 1, 0, 0, "the step's pass: face 0 whole");
    step();
    const unsigned char marker[3] = {255, 0, 255};
    glBindTexture(GL_TEXTURE_CUBE_MAP, map.cubeMap.id);
    for (GLenum face : {GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_X}) {
        glTexSubImage2D(face, 0, 0, 0, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, marker);
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);

    const EnvironmentMap::DrawTally before = map.drawTally;
    drawEnvironmentFaces(map, (1u << 0) | (1u << 1));
    ASSERT_EQ(map.facesDrawnLastCapture, (1u << 0) | (1u << 1));
    const glm::ivec3 magenta(255, 0, 255);
    ASSERT_EQ(testgl::readTexture(map.cubeMap.id, GL_TEXTURE_CUBE_MAP_POSITIVE_X).rgb(0, 0), magenta)
        << "face 0 was drawn whole";
    ASSERT_NE(testgl::readTexture(map.cubeMap.id, GL_TEXTURE_CUBE_MAP_NEGATIVE_X).rgb(0, 0), magenta)
        << "face 1 was drawn in part";
    expectCounted(before, 2, 1, 1, "the pass without a step: face 0 in part, then face 1 whole");
}

// F2 drops the faces turned away from the camera, in the frame and in every capture face alike:
// with culling on each shows what it shows without, but for the few pixels where the inside of
// the thief's hood or cloak showed and where the sun's translucent box showed its back face
// through its front (the frame looks away from the sun; the capture face towards it shows it).
TEST_F(EnvironmentCaptureGl, CullingDropsOnlyTheFacesTurnedAwayFromTheCamera) {
    stand(1.5f, -4.0f, 90.0f, false);  // by the cube, looking back to the start
    EnvironmentMap& map = *EnvironmentMap::getInstance();
    auto drawn = [&] {
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_MULTISAMPLE);
        drawEveryPassInFull = true;
        renderEnvironmentMap(map, context().textureShader, gammaVector);
        drawEveryPassInFull = false;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renderFrame(context());
        std::array<testgl::Pixels, 7> pictures;
        const std::array<testgl::Pixels, 6> faces = readFaces(map);
        std::copy(faces.begin(), faces.end(), pictures.begin());
        pictures[6] = read();
        return pictures;
    };
    const std::array<testgl::Pixels, 7> whole = drawn();
    releaseKey(GLFW_KEY_F2);
    ASSERT_TRUE(glIsEnabled(GL_CULL_FACE));
    const std::array<testgl::Pixels, 7> culled = drawn();
    for (std::size_t i = 0; i < whole.size(); ++i) {
        const int pixels = static_cast<int>(whole[i].rgba.size() / 4);
        const int differing = gamescene::difference(whole[i], culled[i], 0).count;
        EXPECT_LE(differing, pixels / 200) << (i < 6 ? "capture face " + std::to_string(i) : std::string("the frame"));
    }
}

}  // namespace
