#include "game/GameContext.h"

#include <utility>

#include "state/Camera.h"
#include "state/GameState.h"
#include "state/Player.h"
#include "state/Settings.h"
#include "game/SoundManager.h"
#include "platform/gl/GL.h"
#include "renderer/Blur.h"
#include "renderer/EnvironmentMap.h"
#include "renderer/LensFlare.h"
#include "renderer/ModelPasses.h"
#include "renderer/PlayerModel.h"
#include "renderer/Skybox.h"
#include "renderer/TextRenderer.h"

GameContext::GameContext()
    : player(Player::getInstance()),
      camera(Camera::getInstance()),
      gameState(GameState::getInstance()),
      fadeTimings(FadeTimings::getInstance()),
      soundManager(SoundManager::getInstance()),
      environmentMap(EnvironmentMap::getInstance()),
      overlay(Overlay::getInstance()),
      playerModel(PlayerModel::getInstance()),
      artifacts(&Artifacts::getInstance()),
      skybox(Skybox::getInstance()),
      textRenderer(TextRenderer::getInstance()),
      lensFlare(LensFlare::getInstance()),
      blur(Blur::getInstance()) {
    pauseSnapshot = GlTexture::generate();
    glBindTexture(GL_TEXTURE_2D, pauseSnapshot);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, currentWidth, currentHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);

    // Two triangles over the whole window; (0, 0) at the lower left so a framebuffer copy is upright.
    createQuadVertexArray(fullScreenQuadVertices(), quadVao, quadVbo);
}

// Released at shutdown while the context still existed; the handles make no OpenGL call later.
GameContext::~GameContext() = default;

void GameContext::release() {
    bgImage.release();
    muteImage.release();
    textureShader.reset();
    sceneTextureShader.reset();
    textShader.reset();
    guiShader.reset();
    quadVbo.release();
    quadVao.release();
    pauseSnapshot.release();
}

void GameState::resumeAfterPause(GameContext& context) { context.gameState->resumeClockAfterPause(); }

void loadContextImages(GameContext& context, GLFWwindow* window, ParticleSystem* fire, ParticleSystem* smoke,
                       std::shared_ptr<Shader> textureShader, std::shared_ptr<Shader> sceneTextureShader,
                       std::shared_ptr<Shader> textShader, std::shared_ptr<Shader> guiShader) {
    context.gameWindow = window;
    context.fireParticles = fire;
    context.smokeParticles = smoke;
    context.textureShader = std::move(textureShader);
    context.sceneTextureShader = std::move(sceneTextureShader);
    context.textShader = std::move(textShader);
    context.guiShader = std::move(guiShader);
    const std::vector<float> overlayQuad =
        context.overlay ? context.overlay->vertices : Overlay::getInstance()->vertices;
    context.bgImage = GuiImage(cornerQuadVertices(currentWidth, currentHeight), "../assets/images/bg",
                               context.guiShader);
    context.muteImage = GuiImage(overlayQuad, "../assets/images/mute", context.guiShader);
    // A small mark in one corner of a full-screen image.
    context.muteImage.confineToVisibleTexels();
}
