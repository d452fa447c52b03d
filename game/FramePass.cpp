#include "game/FramePass.h"

#include <GLFW/glfw3.h>

#include "framework/Shader.h"
#include "state/Camera.h"
#include "game/GameContext.h"
#include "game/PlayerAnimation.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "game/Screens.h"
#include "state/Settings.h"
#include "game/SoundManager.h"
#include "game/SunVisibility.h"
#include "platform/gl/GL.h"
#include "renderer/DirectionalLight.h"
#include "renderer/EnvironmentCapture.h"
#include "renderer/LensFlare.h"
#include "renderer/LevelMeshes.h"
#include "renderer/MirrorFaces.h"
#include "renderer/ModelPasses.h"
#include "renderer/ParticleSystem.h"
#include "renderer/ReflectiveCube.h"
#include "renderer/Skybox.h"
#include "renderer/TextRenderer.h"

namespace {

// The intro's closing fade over the first game frames.
void drawIntroEnding(GameContext& context) {
    const FadeTimings& fades = *context.fadeTimings;
    GameState& state = *context.gameState;
    context.fadeTimings->update();
    bool finished;
    if (introDone) {
        finished = state.textTicks >= fades.shortFadeOutEnd;
        if (!finished) {
            renderLoadingOverlay(*context.overlay);
        }
    } else {
        finished = state.textTicks >= fades.titleFadeOutEnd;
        if (!finished) {
            introLoopFactor = (1.0f - textFadeAlpha) * 0.5f + 0.5f;
            if (SoundManager* sound = context.soundManager) {
                sound->setBgmVolume(introLoopFactor);
                sound->setFireVolume(introLoopFactor);
                sound->setBattleAmbienceVolume(introLoopFactor);
            }
            glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
            drawScreenImage(context.overlay->title, textFadeAlpha);
        }
    }
    if (finished) {
        introDone = true;
        introEnding = false;
    }
}

}  // namespace

void drawMirrorFacesInView(GameContext& context) {
    const Camera& camera = *context.camera;
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    // As the mirror's pass projects and lights it (renderReflectiveCube).
    const unsigned int faces = mirrorFacesInView(cameraEyeRenderSpace(camera.position),
                                                 passProjection(camera) * camera.view, camera.fov, viewport[3]);
    drawEnvironmentFaces(*context.environmentMap, faces);
}

// The software renderer starts on queued draws only when they are flushed, and this thread then
// goes on preparing the next ones: each glFlush below hands over a part of the frame so that the
// rasterizer threads and this thread work at the same time instead of one after the other.
void drawScene(GameContext& context) {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_MULTISAMPLE);
    setFrontFaceForView(context.camera->view);
    setLightUniforms(*context.textureShader, gammaVector);
    drawLevelMeshes(context.textureShader);
    glFlush();
    renderArtifacts(*context.artifacts);
    animatePlayer(*context.playerModel);
    renderPlayer(*context.playerModel);
    glFlush();
    renderReflectiveCube(*context.skybox, envCubemapTexture);
    renderSkybox(*context.skybox, 1.0f - blendFactor);
    drawSunMesh(context.textureShader);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glFrontFace(GL_CCW);  // the particles face the camera, as everything drawn after them does
    if (context.fireParticles) context.fireParticles->updateAndDraw(blendFactor);
    if (context.smokeParticles) context.smokeParticles->updateAndDraw(blendFactor);
    glFlush();
    updateTick = false;
}

void renderFrame(GameContext& context) {
    if (glfwWindowShouldClose(context.gameWindow)) {
        return;
    }
    context.camera->update(context.gameWindow);
    // The mirror's faces before the window is cleared: the software renderer then does the
    // clear tile by tile as it draws the frame, instead of flushing it as a pass of its own
    // over the whole multisampled back buffer when the capture switches framebuffers.
    drawMirrorFacesInView(context);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawScene(context);
    if (!hideTimer) {
        context.bgImage.draw(1.0f);
    }
    if (muted) {
        context.muteImage.draw(1.0f);
    }
    renderHud(context);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_MULTISAMPLE);
    updateSunScreenPosition();
    context.lensFlare->render(blendFactor, flareVisible && isSunVisible());
    if (introEnding) {
        drawIntroEnding(context);
    }
    if (fallOverlayFade > 0.0f || fallFade > 0.0f) {
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        drawScreenImage(context.overlay->red, fallOverlayFade);
        drawScreenImage(context.overlay->failed, fallFade);
    }
}
