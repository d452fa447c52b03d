#include "renderer/EnvironmentCapture.h"
#include "renderer/RendererState.h"

#include <algorithm>
#include <cstring>

#include "framework/Shader.h"
#include "state/Camera.h"
#include "state/GlobalState.h"
#include "state/Player.h"
#include "state/Settings.h"
#include "platform/gl/GL.h"
#include "renderer/DirectionalLight.h"
#include "renderer/LevelMeshes.h"
#include "renderer/ModelPasses.h"
#include "renderer/PlayerModel.h"
#include "renderer/Skybox.h"

namespace {

std::uint64_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::uint64_t bitsOf(const void* pointer) { return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(pointer)); }

std::uint64_t programOf(const std::shared_ptr<Shader>& shader) { return shader ? shader->program : 0u; }

GLint integerState(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

// Everything besides the thief that a face's texels depend on, read as the capture starts.
EnvironmentMap::CaptureInputs readCaptureInputs(const EnvironmentMap& map, const Shader& textureShader,
                                                const PlayerModel& playerModel, const glm::vec3& gammaValue) {
    EnvironmentMap::CaptureInputs in{};
    std::size_t n = 0;
    auto put = [&](std::uint64_t value) { in.at(n++) = value; };
    // The sky's grade, the light on the level and the sun, and their gamma.
    put(bitsOf(blendFactor));
    for (int k = 0; k < 3; ++k) put(bitsOf(dirL.color[k]));
    for (int k = 0; k < 3; ++k) put(bitsOf(dirL.direction[k]));
    for (int k = 0; k < 3; ++k) put(bitsOf(gammaValue[k]));
    put(bitsOf(brightness));
    // What is drawn: programs, the sky's texture, the level's meshes and the sun.
    put(textureShader.program);
    put(map.skybox ? programOf(map.skybox->skyboxShader) : 0u);
    put(map.skybox ? static_cast<unsigned int>(map.skybox->cubemapTexture) : 0u);
    put(programOf(playerModel.shader));
    put(bitsOf(levelMeshes.data()));
    put(levelMeshes.size());
    put(bitsOf(sunMesh));
    // The render state: F1 (polygon mode) and F2 (culling) change what covers a texel, and where
    // nothing covers one the clear colour shows.
    GLint polygonMode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    put(static_cast<std::uint32_t>(polygonMode[0]));
    put(static_cast<std::uint32_t>(polygonMode[1]));
    put(glIsEnabled(GL_CULL_FACE));
    put(static_cast<std::uint32_t>(integerState(GL_CULL_FACE_MODE)));
    put(static_cast<std::uint32_t>(integerState(GL_FRONT_FACE)));
    GLfloat clearColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
    for (int k = 0; k < 3; ++k) put(bitsOf(clearColor[k]));  // the faces have no alpha
    put(glIsEnabled(GL_BLEND));
    put(static_cast<std::uint32_t>(integerState(GL_BLEND_SRC_RGB)));
    put(static_cast<std::uint32_t>(integerState(GL_BLEND_DST_RGB)));
    put(static_cast<std::uint32_t>(integerState(GL_BLEND_EQUATION_RGB)));
    put(glIsEnabled(GL_DEPTH_TEST));
    put(static_cast<std::uint32_t>(integerState(GL_DEPTH_FUNC)));
    GLboolean depthMask = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    put(depthMask);
    GLboolean colorMask[4] = {GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
    glGetBooleanv(GL_COLOR_WRITEMASK, colorMask);
    put(static_cast<std::uint64_t>(colorMask[0]) | colorMask[1] << 1 | colorMask[2] << 2);
    return in;
}
}  // namespace

CaptureAngles captureAngles(int face) {
    static const CaptureAngles angles[6] = {
        {180.0f, 0.0f}, {0.0f, 0.0f}, {180.0f, -90.0f}, {180.0f, 90.0f}, {90.0f, 0.0f}, {-90.0f, 0.0f},
    };
    return angles[face];
}

glm::mat4 captureViewMatrix(const glm::vec3& storedRight, const glm::vec3& storedUp, const glm::vec3& front) {
    // Rows: the stored right and up exactly as updateVectors left them (that is -right and -up
    // of the face table), then front. The cube-map shader's lookup relies on this orientation:
    // the screen's x axis is -right and its y axis -up. glm is column-major.
    glm::mat4 view(1.0f);
    for (int column = 0; column < 3; ++column) {
        view[column][0] = storedRight[column];
        view[column][1] = storedUp[column];
        view[column][2] = front[column];
    }
    return view;
}

void recordEnvironmentCapture(EnvironmentMap& environmentMap, std::shared_ptr<Shader> textureShader,
                              const glm::vec3& gammaValue) {
    const PlayerModel& playerModel = *PlayerModel::getInstance();
    const Player& player = *Player::getInstance();
    EnvironmentMap::CaptureScene& scene = environmentMap.scene;
    scene.generation += 1;
    scene.inputs = readCaptureInputs(environmentMap, *textureShader, playerModel, gammaValue);
    scene.textureShader = std::move(textureShader);
    scene.blendFactor = blendFactor;
    scene.lightColor = dirL.color;
    scene.lightDirection = dirL.direction;
    scene.gamma = gammaValue;
    scene.brightness = brightness;
    scene.eye = Camera::getInstance()->position;
    scene.thiefPosition = player.position;
    scene.thiefYaw = player.yaw;
    // The animated program holds the matrices of the last animation step: they are the pose
    // the capture draws (its own draws never upload).
    scene.boneMatrices.assign(playerModel.boneMatrices.begin(), playerModel.boneMatrices.end());
    GLint polygonMode[2] = {GL_FILL, GL_FILL};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    scene.polygonMode = polygonMode[0];
    scene.cullFace = glIsEnabled(GL_CULL_FACE) == GL_TRUE;
    glGetFloatv(GL_COLOR_CLEAR_VALUE, scene.clearColor);
    scene.thief =
        environmentMap.boneBoxes.thiefBounds(playerModel, scene.boneMatrices, scene.thiefPosition, scene.thiefYaw);
    Camera::getInstance()->fov = 45.0f;  // as after any capture
}

namespace {

// While owed faces are drawn from a recorded scene, the globals and the render state the draws
// read are the scene's; everything goes back afterwards.
class SceneInPlace {
public:
    SceneInPlace(const EnvironmentMap::CaptureScene& scene, PlayerModel& model) : model_(model) {
        Player& player = *Player::getInstance();
        Camera& camera = *Camera::getInstance();
        blendFactor_ = blendFactor;
        light_ = dirL;
        brightness_ = brightness;
        eye_ = camera.position;
        thiefPosition_ = player.position;
        thiefYaw_ = player.yaw;
        blendFactor = scene.blendFactor;
        dirL.color = scene.lightColor;
        dirL.direction = scene.lightDirection;
        brightness = scene.brightness;
        camera.position = scene.eye;
        player.position = scene.thiefPosition;
        player.yaw = scene.thiefYaw;

        GLint polygonMode[2] = {GL_FILL, GL_FILL};
        glGetIntegerv(GL_POLYGON_MODE, polygonMode);
        polygonMode_ = polygonMode[0];
        cullFace_ = glIsEnabled(GL_CULL_FACE) == GL_TRUE;
        depthTest_ = glIsEnabled(GL_DEPTH_TEST) == GL_TRUE;
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor_);
        glPolygonMode(GL_FRONT_AND_BACK, static_cast<GLenum>(scene.polygonMode));
        setEnabled(GL_CULL_FACE, scene.cullFace);
        glEnable(GL_DEPTH_TEST);
        glClearColor(scene.clearColor[0], scene.clearColor[1], scene.clearColor[2], scene.clearColor[3]);

        // The pose: the program holds the matrices of the last animation step, which may be
        // newer than the scene's.
        posed_ = !scene.boneMatrices.empty() && model.shader &&
                 (scene.boneMatrices.size() != model.boneMatrices.size() ||
                  std::memcmp(scene.boneMatrices.data(), model.boneMatrices.data(),
                              scene.boneMatrices.size() * sizeof(glm::mat4)) != 0);
        if (posed_) {
            uploadBoneMatrices(*model.shader, scene.boneMatrices);
        }
    }

    ~SceneInPlace() {
        Player& player = *Player::getInstance();
        blendFactor = blendFactor_;
        dirL = light_;
        brightness = brightness_;
        Camera::getInstance()->position = eye_;
        player.position = thiefPosition_;
        player.yaw = thiefYaw_;
        glPolygonMode(GL_FRONT_AND_BACK, static_cast<GLenum>(polygonMode_));
        setEnabled(GL_CULL_FACE, cullFace_);
        setEnabled(GL_DEPTH_TEST, depthTest_);
        glClearColor(clearColor_[0], clearColor_[1], clearColor_[2], clearColor_[3]);
        if (posed_) {
            uploadBoneMatrices(*model_.shader, model_.boneMatrices);
        }
    }

    SceneInPlace(const SceneInPlace&) = delete;
    SceneInPlace& operator=(const SceneInPlace&) = delete;

private:
    static void setEnabled(GLenum capability, bool on) {
        if (on) {
            glEnable(capability);
        } else {
            glDisable(capability);
        }
    }

    PlayerModel& model_;
    float blendFactor_;
    DirectionalLight light_;
    float brightness_;
    glm::vec3 eye_;
    glm::vec3 thiefPosition_;
    float thiefYaw_;
    GLint polygonMode_ = GL_FILL;
    bool cullFace_ = false;
    bool depthTest_ = false;
    GLfloat clearColor_[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    bool posed_ = false;
};

// The camera, borrowed by the capture while it lives: field of view 90 and aspect 1, pointed
// along one face after another. Afterwards everything goes back: yaw, pitch, aspect, front and up
// from the camera's save fields, and the frame's right vector, view, projection and field of
// view as well, so whatever is drawn after a capture sees the camera the frame set up, not the
// last face's.
class CaptureCamera {
public:
    CaptureCamera() : camera_(*Camera::getInstance()) {
        camera_.savedYaw = camera_.yaw;
        camera_.savedPitch = camera_.pitch;
        camera_.savedAspect = camera_.aspect;
        camera_.savedFront = camera_.front;
        camera_.savedUp = camera_.up;
        frameRight_ = camera_.right;
        frameView_ = camera_.view;
        frameProjection_ = camera_.projection;
        frameFov_ = camera_.fov;
        camera_.fov = 90.0f;
        camera_.aspect = 1.0f;
    }

    ~CaptureCamera() {
        camera_.yaw = camera_.savedYaw;
        camera_.pitch = camera_.savedPitch;
        camera_.aspect = camera_.savedAspect;
        camera_.front = camera_.savedFront;
        camera_.up = camera_.savedUp;
        camera_.right = frameRight_;
        camera_.view = frameView_;
        camera_.projection = frameProjection_;
        camera_.fov = frameFov_;
    }

    CaptureCamera(const CaptureCamera&) = delete;
    CaptureCamera& operator=(const CaptureCamera&) = delete;

    void pointAt(int face) {
        const CaptureAngles angles = captureAngles(face);
        camera_.yaw = angles.yaw;
        camera_.pitch = angles.pitch;
        camera_.updateVectors();
        camera_.view = captureViewMatrix(camera_.right, camera_.up, camera_.front);
    }

    const glm::mat4& view() const { return camera_.view; }
    glm::mat4 viewProjection() const { return camera_.projection * camera_.view; }

private:
    Camera& camera_;
    glm::vec3 frameRight_;
    glm::mat4 frameView_;
    glm::mat4 frameProjection_;
    float frameFov_;
};

bool isPartOfFace(const TexelRect& region, int size) {
    return region.x0 > 0 || region.y0 > 0 || region.x1 < size || region.y1 < size;
}

// The scissor as the capture found it, and a face's draw limited to its region. A scissor
// someone left on would clip every draw; the plan then draws each face whole under it.
class FaceScissor {
public:
    FaceScissor() : wasOn_(glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE) { glGetIntegerv(GL_SCISSOR_BOX, saved_); }

    bool wasOn() const { return wasOn_; }

    void limitTo(const TexelRect& region, int size) {
        if (isPartOfFace(region, size)) {
            glEnable(GL_SCISSOR_TEST);
            glScissor(region.x0, region.y0, region.x1 - region.x0, region.y1 - region.y0);
            changed_ = true;
        } else if (changed_ && !wasOn_) {
            glDisable(GL_SCISSOR_TEST);
        }
    }

    void restore() {
        if (changed_) {
            if (!wasOn_) {
                glDisable(GL_SCISSOR_TEST);
            }
            glScissor(saved_[0], saved_[1], saved_[2], saved_[3]);
        }
    }

private:
    bool wasOn_;
    GLint saved_[4] = {0, 0, 0, 0};
    bool changed_ = false;
};

// Where the thief's bounds reach each of the `owed` faces (bit i: face i) now.
std::array<ThiefFootprint, 6> thiefOnFaces(const ThiefBounds& thief, unsigned int owed, CaptureCamera& camera,
                                           int size) {
    std::array<ThiefFootprint, 6> footprints{};
    for (int i = 0; i < 6; ++i) {
        if ((owed & (1u << i)) != 0) {
            camera.pointAt(i);
            footprints[static_cast<std::size_t>(i)] = thiefFootprint(thief, camera.viewProjection(), size);
        }
    }
    return footprints;
}

// A face's contents, into the attached face, as the scene was at its step.
void drawFaceContents(const EnvironmentMap& environmentMap, PlayerModel& playerModel) {
    const EnvironmentMap::CaptureScene& scene = environmentMap.scene;
    const std::shared_ptr<Shader>& textureShader = scene.textureShader;
    setLightUniforms(*textureShader, scene.gamma);
    if (drawEveryPassInFull) {
        renderSkybox(*environmentMap.skybox, 1.0f - scene.blendFactor);
        renderPlayer(playerModel);
        drawLevelMeshes(textureShader);
    } else {
        // The sky goes in after the thief and the level: it lies at the far plane and passes the
        // depth test only where nothing else was drawn, so it is no longer shaded under the
        // level just to be painted over. The sun is blended over both and stays last.
        glDepthFunc(GL_LESS);
        renderPlayer(playerModel);
        drawLevelMeshes(textureShader);
        renderSkybox(*environmentMap.skybox, 1.0f - scene.blendFactor);
    }
    drawSunMesh(textureShader);
}

// The planned faces, each within its region, into the draw target, with the scene in place.
void drawPlannedFaces(const EnvironmentMap& environmentMap, const FaceRedrawPlan& plan, CaptureCamera& camera,
                      FaceScissor& scissor) {
    PlayerModel& playerModel = *PlayerModel::getInstance();
    const SceneInPlace inPlace(environmentMap.scene, playerModel);
    const int size = environmentMap.cubeMap.size;
    bool framebufferBound = false;
    for (int i = 0; i < 6; ++i) {
        const FaceRedraw& face = plan.faces[static_cast<std::size_t>(i)];
        if (!face.draw) {
            continue;
        }
        camera.pointAt(i);
        scissor.limitTo(face.region, size);
        if (!framebufferBound) {
            glBindFramebuffer(GL_FRAMEBUFFER, environmentMap.fbo);
            glDrawBuffer(GL_COLOR_ATTACHMENT0);
            glViewport(0, 0, size, size);
            framebufferBound = true;
        }
        renderingCubemap = true;
        setFrontFaceForView(camera.view());
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_CUBE_MAP_POSITIVE_X + i,
                               environmentMap.drawTarget.id, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawFaceContents(environmentMap, playerModel);
    }
    scissor.restore();
    renderingCubemap = false;
    glFrontFace(GL_CCW);
}

// Back to the window's framebuffer and viewport, with the texels drawn copied from the draw
// target into the map the mirror samples.
void copyDrawnTexels(const EnvironmentMap& environmentMap, const FaceRedrawPlan& plan) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    for (int i = 0; i < 6; ++i) {
        const FaceRedraw& face = plan.faces[static_cast<std::size_t>(i)];
        const TexelRect& r = face.region;
        if (face.draw && !r.empty()) {
            glCopyImageSubData(environmentMap.drawTarget.id, GL_TEXTURE_CUBE_MAP, 0, r.x0, r.y0, i,
                               environmentMap.cubeMap.id, GL_TEXTURE_CUBE_MAP, 0, r.x0, r.y0, i, r.x1 - r.x0,
                               r.y1 - r.y0, 1);
        }
    }
    glViewport(0, 0, currentWidth, currentHeight);
}

// Counts what a plan draws, in the order it draws it.
void tallyDraws(EnvironmentMap::DrawTally& tally, const FaceRedrawPlan& plan, int size) {
    bool partialBefore = false;
    bool wholeAfterPartial = false;
    for (const FaceRedraw& face : plan.faces) {
        if (!face.draw) {
            continue;
        }
        const bool partial = isPartOfFace(face.region, size);
        tally.faces += 1;
        tally.partialFaces += partial ? 1 : 0;
        wholeAfterPartial = wholeAfterPartial || (partialBefore && !partial);
        partialBefore = partialBefore || partial;
    }
    tally.partialThenWhole += wholeAfterPartial ? 1 : 0;
}

}  // namespace

FaceRedrawPlan planFaceRedraws(unsigned int owed, const std::array<EnvironmentMap::FaceRecord, 6>& records,
                               const EnvironmentMap::CaptureInputs& inputs,
                               const std::array<ThiefFootprint, 6>& thiefNow, bool everyFaceWhole, bool scissorWasOn,
                               int size) {
    FaceRedrawPlan plan;
    plan.records = records;
    for (std::size_t i = 0; i < 6; ++i) {
        if ((owed & (1u << i)) == 0) {
            continue;
        }
        EnvironmentMap::FaceRecord& face = plan.records[i];
        const ThiefFootprint& thief = thiefNow[i];
        const bool inputsChanged = !face.drawn || face.inputs != inputs;
        if (!everyFaceWhole && !inputsChanged && !thief.reaches && !face.thiefReached) {
            continue;
        }
        // Only the thief has changed: his old and new rectangles are all that can differ.
        TexelRect region{0, 0, size, size};
        if (!everyFaceWhole && !inputsChanged && !scissorWasOn) {
            region = TexelRect{size, size, 0, 0};
            auto include = [&region](const TexelRect& r) {
                if (r.empty()) {
                    return;
                }
                region.x0 = std::min(region.x0, r.x0);
                region.y0 = std::min(region.y0, r.y0);
                region.x1 = std::max(region.x1, r.x1);
                region.y1 = std::max(region.y1, r.y1);
            };
            if (thief.reaches) include(thief.rect);
            if (face.thiefReached) include(face.thiefRect);
        }
        face.thiefReached = thief.reaches;
        face.thiefRect = thief.rect;
        if (region.empty()) {
            continue;  // his bounds touch the view only within the margin of the clip test
        }
        face.drawn = true;
        face.inputs = inputs;
        plan.faces[i] = FaceRedraw{true, region};
        plan.drawn |= 1u << i;
    }
    return plan;
}

void drawEnvironmentFaces(EnvironmentMap& environmentMap, unsigned int faces) {
    const EnvironmentMap::CaptureScene& scene = environmentMap.scene;
    const unsigned int owed = faces & environmentMap.facesOwed();
    environmentMap.facesDrawnLastCapture = 0;
    if (scene.generation == 0 || !scene.textureShader || owed == 0) {
        return;
    }
    CaptureCamera camera;
    const int size = environmentMap.cubeMap.size;
    const std::array<ThiefFootprint, 6> thiefNow = thiefOnFaces(scene.thief, owed, camera, size);
    FaceScissor scissor;
    const FaceRedrawPlan plan = planFaceRedraws(owed, environmentMap.faces, scene.inputs, thiefNow,
                                                drawEveryPassInFull, scissor.wasOn(), size);
    for (int i = 0; i < 6; ++i) {
        if ((owed & (1u << i)) != 0) {
            environmentMap.faceGeneration[static_cast<std::size_t>(i)] = scene.generation;
        }
    }
    environmentMap.faces = plan.records;
    environmentMap.facesDrawnLastCapture = plan.drawn;
    if (plan.drawn == 0) {
        // Nothing to draw: the recorded scene need not be put in place (nor the pose uploaded
        // and uploaded back). A capture leaves the winding counter-clockwise either way.
        glFrontFace(GL_CCW);
        return;
    }
    tallyDraws(environmentMap.drawTally, plan, size);
    drawPlannedFaces(environmentMap, plan, camera, scissor);
    copyDrawnTexels(environmentMap, plan);
}

void renderEnvironmentMap(EnvironmentMap& environmentMap, std::shared_ptr<Shader> textureShader,
                          const glm::vec3& gammaValue) {
    recordEnvironmentCapture(environmentMap, std::move(textureShader), gammaValue);
    drawEnvironmentFaces(environmentMap, allEnvironmentFaces);
}
