#include "renderer/EnvironmentMap.h"
#include "renderer/RendererState.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

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
constexpr std::size_t boneSlots = static_cast<std::size_t>(Animator::boneMatrixCount);
constexpr std::size_t unmovedSlot = boneSlots;  // vertices without a bone keep their bind pose

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

// Corner 0..7 of the box: bit 0 picks x, bit 1 y, bit 2 z from high instead of low.
glm::vec3 boxCorner(const glm::vec3& low, const glm::vec3& high, int corner) {
    return glm::vec3((corner & 1) ? high.x : low.x, (corner & 2) ? high.y : low.y, (corner & 4) ? high.z : low.z);
}

void growBox(glm::vec3& low, glm::vec3& high, const glm::vec3& point) {
    low = glm::min(low, point);
    high = glm::max(high, point);
}

// The eight corners of a box, carried through an affine matrix into the running bounds.
void growByTransformedBox(EnvironmentMap::ThiefBounds& bounds, const glm::mat4& transform, const glm::vec3& low,
                          const glm::vec3& high) {
    for (int corner = 0; corner < 8; ++corner) {
        const glm::vec3 p = boxCorner(low, high, corner);
        const glm::vec3 q(transform * glm::vec4(p, 1.0f));
        if (bounds.empty) {
            bounds.low = bounds.high = q;
            bounds.empty = false;
        } else {
            growBox(bounds.low, bounds.high, q);
        }
    }
}

bool isAffine(const glm::mat4& m) {
    return m[0][3] == 0.0f && m[1][3] == 0.0f && m[2][3] == 0.0f && m[3][3] == 1.0f;
}

bool isFinite(const glm::mat4& m) {
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            if (!std::isfinite(m[c][r])) {
                return false;
            }
        }
    }
    return true;
}
}  // namespace

int environmentMapFaceSize = 512;

CubeMap createEmptyCubeMap() {
    const int cubeMapSize = environmentMapFaceSize;
    CubeMap map;
    map.id = GlTexture::generate();
    glBindTexture(GL_TEXTURE_CUBE_MAP, map.id);
    for (unsigned int i = 0; i < 6; ++i) {
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, 0, GL_RGB, cubeMapSize, cubeMapSize, 0, GL_RGB,
                     GL_UNSIGNED_BYTE, nullptr);
    }
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    map.size = cubeMapSize;
    return map;
}

EnvironmentMap::EnvironmentMap() {
    cubeMap = createEmptyCubeMap();
    drawTarget = createEmptyCubeMap();
    skybox = Skybox::getInstance();
    fbo = GlFramebuffer::generate();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    rbo = GlRenderbuffer::generate();
    glBindRenderbuffer(GL_RENDERBUFFER, rbo);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, cubeMap.size, cubeMap.size);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, rbo);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

EnvironmentMap* EnvironmentMap::getInstance() {
    static EnvironmentMap instance;
    static GlReleaseEntry releaseAtShutdown([] { instance.release(); });
    return &instance;
}

void EnvironmentMap::release() {
    fbo.release();
    rbo.release();
    cubeMap.id.release();
    drawTarget.id.release();
    forgetFaces();
}

void EnvironmentMap::forgetFaces() { faces = {}; }

void EnvironmentMap::boxBones(const PlayerModel& model) {
    std::size_t vertexCount = 0;
    for (const Mesh& mesh : model.model.meshes) {
        vertexCount += mesh.vertices.size();
    }
    // A reload brings new vertex buffers.
    const void* firstVertices = model.model.meshes.empty() ? nullptr : model.model.meshes.front().vertices.data();
    if (boxedModel == &model.model && boxedVertices == firstVertices && boxedVertexCount == vertexCount &&
        !boneBoxes.empty()) {
        return;
    }
    boxedModel = &model.model;
    boxedVertices = firstVertices;
    boxedVertexCount = vertexCount;
    boneBoxes.assign(boneSlots + 1, BoneBox{});
    boxesKnown = true;
    auto add = [this](std::size_t slot, const glm::vec3& p) {
        BoneBox& box = boneBoxes[slot];
        if (!box.used) {
            box.used = true;
            box.low = box.high = p;
        } else {
            growBox(box.low, box.high, p);
        }
    };
    for (const Mesh& mesh : model.model.meshes) {
        for (const Vertex& v : mesh.vertices) {
            if (!std::isfinite(v.position.x) || !std::isfinite(v.position.y) || !std::isfinite(v.position.z)) {
                boxesKnown = false;
                return;
            }
            // The program sums weight x bone x position over the slots whose id names a bone; a
            // vertex without one keeps its bind pose. With weights >= 0 and some weight > 0 the
            // sum lies on the positive side of a plane through the origin of clip space only if
            // one of its terms does, so the boxes of the bones it uses bound it. Other weights
            // (negative, or all zero: the vertex collapses onto the eye) cannot be bounded so.
            bool moved = false;
            bool weighted = false;
            for (int k = 0; k < 4; ++k) {
                const std::int32_t id = v.boneIds[k];
                if (id < 0 || id >= Animator::boneMatrixCount) {
                    continue;
                }
                moved = true;
                const float w = v.weights[k];
                if (!(w >= 0.0f) || !std::isfinite(w)) {
                    boxesKnown = false;
                    return;
                }
                if (w > 0.0f) {
                    weighted = true;
                    add(static_cast<std::size_t>(id), v.position);
                }
            }
            if (!moved) {
                add(unmovedSlot, v.position);
            } else if (!weighted) {
                boxesKnown = false;
                return;
            }
        }
    }
}

EnvironmentMap::ThiefBounds EnvironmentMap::thiefBounds(const PlayerModel& model,
                                                        const std::vector<glm::mat4>& boneMatrices,
                                                        const glm::vec3& controllerPosition, float yawDegrees) {
    ThiefBounds bounds;
    boxBones(model);
    if (!boxesKnown) {
        return bounds;
    }
    // The bone matrices the program holds; its array is 100 long.
    const std::size_t uploaded = std::min(boneMatrices.size(), boneSlots);
    const glm::mat4 placement = playerModelMatrix(controllerPosition, yawDegrees);
    for (std::size_t slot = 0; slot <= boneSlots; ++slot) {
        const BoneBox& box = boneBoxes[slot];
        if (!box.used) {
            continue;
        }
        glm::mat4 transform = placement;
        if (slot != unmovedSlot) {
            if (slot >= uploaded) {
                return bounds;  // a bone the program has no matrix of ours for
            }
            const glm::mat4& bone = boneMatrices[slot];
            if (!isAffine(bone) || !isFinite(bone)) {
                return bounds;
            }
            transform = placement * bone;
        }
        growByTransformedBox(bounds, transform, box.low, box.high);
    }
    bounds.known = isFinite(placement) && std::isfinite(bounds.low.x + bounds.low.y + bounds.low.z + bounds.high.x +
                                                        bounds.high.y + bounds.high.z);
    return bounds;
}

bool boundsOutsideView(const glm::vec3& low, const glm::vec3& high, const glm::mat4& viewProjection) {
    glm::vec4 corners[8];
    for (int corner = 0; corner < 8; ++corner) {
        const glm::vec3 p = boxCorner(low, high, corner);
        corners[corner] = viewProjection * glm::vec4(p, 1.0f);
    }
    // The six planes of the clip volume, -w <= x, y, z <= w, as signed distances (inside >= 0).
    // A margin of 1 % of w is about 2.5 texels of a 512-texel face.
    for (int plane = 0; plane < 6; ++plane) {
        const int axis = plane / 2;
        const float sign = (plane % 2 == 0) ? 1.0f : -1.0f;
        bool allOutside = true;
        for (const glm::vec4& c : corners) {
            const float distance = c.w + sign * c[axis];
            if (!(distance < -(0.01f * std::abs(c.w) + 1e-4f))) {
                allOutside = false;
                break;
            }
        }
        if (allOutside) {
            return true;
        }
    }
    return false;
}

EnvironmentMap::TexelRect boundsTexelRect(const glm::vec3& low, const glm::vec3& high, const glm::mat4& viewProjection,
                                          int size) {
    const EnvironmentMap::TexelRect whole{0, 0, size, size};
    // Each corner in window coordinates; with every corner in front of the eye the box projects
    // inside their hull, so the texels a drawn point can cover lie inside their extent.
    float xLow = 0.0f;
    float xHigh = 0.0f;
    float yLow = 0.0f;
    float yHigh = 0.0f;
    const float half = 0.5f * static_cast<float>(size);
    for (int corner = 0; corner < 8; ++corner) {
        const glm::vec3 p = boxCorner(low, high, corner);
        const glm::vec4 c = viewProjection * glm::vec4(p, 1.0f);
        if (!(c.w > 1e-4f)) {
            return whole;
        }
        // Clamped well outside the target first, so the integer conversion below cannot overflow.
        const float x = glm::clamp((c.x / c.w + 1.0f) * half, -8.0f, static_cast<float>(size) + 8.0f);
        const float y = glm::clamp((c.y / c.w + 1.0f) * half, -8.0f, static_cast<float>(size) + 8.0f);
        if (!std::isfinite(x) || !std::isfinite(y)) {
            return whole;
        }
        xLow = corner == 0 ? x : std::min(xLow, x);
        xHigh = corner == 0 ? x : std::max(xHigh, x);
        yLow = corner == 0 ? y : std::min(yLow, y);
        yHigh = corner == 0 ? y : std::max(yHigh, y);
    }
    // Two texels of margin: the program places the vertices with its own rounding, and lines
    // (wireframe) reach half a texel beyond the edges they join.
    constexpr int margin = 2;
    EnvironmentMap::TexelRect rect;
    rect.x0 = std::max(0, static_cast<int>(std::floor(xLow)) - margin);
    rect.y0 = std::max(0, static_cast<int>(std::floor(yLow)) - margin);
    rect.x1 = std::min(size, static_cast<int>(std::ceil(xHigh)) + margin);
    rect.y1 = std::min(size, static_cast<int>(std::ceil(yHigh)) + margin);
    return rect;
}

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

unsigned int EnvironmentMap::facesOwed() const {
    unsigned int owed = 0;
    for (int i = 0; i < 6; ++i) {
        if (faceGeneration[static_cast<std::size_t>(i)] != scene.generation) {
            owed |= 1u << i;
        }
    }
    return owed;
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
    scene.thief = environmentMap.thiefBounds(playerModel, scene.boneMatrices, scene.thiefPosition, scene.thiefYaw);
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

}  // namespace

void drawEnvironmentFaces(EnvironmentMap& environmentMap, unsigned int faces) {
    EnvironmentMap::CaptureScene& scene = environmentMap.scene;
    const unsigned int owed = faces & environmentMap.facesOwed();
    if (scene.generation == 0 || !scene.textureShader || owed == 0) {
        return;
    }
    Camera& camera = *Camera::getInstance();
    PlayerModel& playerModel = *PlayerModel::getInstance();
    const std::shared_ptr<Shader>& textureShader = scene.textureShader;
    camera.savedYaw = camera.yaw;
    camera.savedPitch = camera.pitch;
    camera.savedAspect = camera.aspect;
    camera.savedFront = camera.front;
    camera.savedUp = camera.up;
    // The frame's right vector, view and projection are put back too, so whatever is drawn
    // after a capture sees the camera the frame set up, not the last face's.
    const glm::vec3 frameRight = camera.right;
    const glm::mat4 frameView = camera.view;
    const glm::mat4 frameProjection = camera.projection;
    const float frameFov = camera.fov;
    camera.fov = 90.0f;
    camera.aspect = 1.0f;

    const EnvironmentMap::CaptureInputs& inputs = scene.inputs;
    const EnvironmentMap::ThiefBounds& thief = scene.thief;
    environmentMap.facesDrawnLastCapture = 0;
    const bool everyFaceWhole = environmentMap.drawEveryFace || drawEveryPassInFull;
    bool framebufferBound = false;
    const int size = environmentMap.cubeMap.size;
    const EnvironmentMap::TexelRect wholeFace{0, 0, size, size};
    // A scissor someone left on would clip every draw here; then each face is drawn as before.
    const bool scissorWasOn = glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE;
    GLint savedScissor[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_SCISSOR_BOX, savedScissor);
    bool scissorChanged = false;
    std::array<EnvironmentMap::TexelRect, 6> drawnRegions{};
    {
        const SceneInPlace inPlace(scene, playerModel);
        for (int i = 0; i < 6; ++i) {
            if ((owed & (1u << i)) == 0) {
                continue;
            }
            environmentMap.faceGeneration[static_cast<std::size_t>(i)] = scene.generation;
            const CaptureAngles angles = captureAngles(i);
            camera.yaw = angles.yaw;
            camera.pitch = angles.pitch;
            camera.updateVectors();
            camera.view = captureViewMatrix(camera.right, camera.up, camera.front);
            const bool thiefReaches = !thief.known || (!thief.empty && !boundsOutsideView(thief.low, thief.high,
                                                                                          camera.projection * camera.view));
            EnvironmentMap::FaceRecord& face = environmentMap.faces[static_cast<std::size_t>(i)];
            const bool inputsChanged = !face.drawn || face.inputs != inputs;
            const bool draw = everyFaceWhole || inputsChanged || thiefReaches || face.thiefReached;
            if (!draw) {
                continue;
            }
            EnvironmentMap::TexelRect thiefRect;
            if (thiefReaches) {
                thiefRect = thief.known ? boundsTexelRect(thief.low, thief.high, camera.projection * camera.view, size)
                                        : wholeFace;
            }
            // Only the thief has changed: his old and new rectangles are all that can differ.
            EnvironmentMap::TexelRect region = wholeFace;
            if (!everyFaceWhole && !inputsChanged && !scissorWasOn) {
                region = EnvironmentMap::TexelRect{size, size, 0, 0};
                auto include = [&region](const EnvironmentMap::TexelRect& r) {
                    if (r.empty()) {
                        return;
                    }
                    region.x0 = std::min(region.x0, r.x0);
                    region.y0 = std::min(region.y0, r.y0);
                    region.x1 = std::max(region.x1, r.x1);
                    region.y1 = std::max(region.y1, r.y1);
                };
                if (thiefReaches) include(thiefRect);
                if (face.thiefReached) include(face.thiefRect);
            }
            face.thiefReached = thiefReaches;
            face.thiefRect = thiefRect;
            if (region.empty()) {
                continue;  // his bounds touch the view only within the margin of the clip test
            }
            const bool partial = region.x0 > 0 || region.y0 > 0 || region.x1 < size || region.y1 < size;
            if (partial) {
                glEnable(GL_SCISSOR_TEST);
                glScissor(region.x0, region.y0, region.x1 - region.x0, region.y1 - region.y0);
                scissorChanged = true;
            } else if (scissorChanged && !scissorWasOn) {
                glDisable(GL_SCISSOR_TEST);
            }
            if (!framebufferBound) {
                glBindFramebuffer(GL_FRAMEBUFFER, environmentMap.fbo);
                glDrawBuffer(GL_COLOR_ATTACHMENT0);
                glViewport(0, 0, environmentMap.cubeMap.size, environmentMap.cubeMap.size);
                framebufferBound = true;
            }
            renderingCubemap = true;
            setFrontFaceForView(camera.view);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_CUBE_MAP_POSITIVE_X + i,
                                   environmentMap.drawTarget.id, 0);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            setLightUniforms(*textureShader, scene.gamma);
            if (drawEveryPassInFull) {
                renderSkybox(*environmentMap.skybox, 1.0f - scene.blendFactor);
                renderPlayer(playerModel);
                drawLevelMeshes(textureShader);
            } else {
                // The sky goes in after the thief and the level: it lies at the far plane and
                // passes the depth test only where nothing else was drawn, so it is no longer
                // shaded under the level just to be painted over. The sun is blended over both
                // and stays last.
                glDepthFunc(GL_LESS);
                renderPlayer(playerModel);
                drawLevelMeshes(textureShader);
                renderSkybox(*environmentMap.skybox, 1.0f - scene.blendFactor);
            }
            drawSunMesh(textureShader);
            face.drawn = true;
            face.inputs = inputs;
            environmentMap.facesDrawnLastCapture |= 1u << i;
            drawnRegions[static_cast<std::size_t>(i)] = region;
        }
        if (scissorChanged) {
            if (!scissorWasOn) {
                glDisable(GL_SCISSOR_TEST);
            }
            glScissor(savedScissor[0], savedScissor[1], savedScissor[2], savedScissor[3]);
        }
        renderingCubemap = false;
        glFrontFace(GL_CCW);
    }
    if (framebufferBound) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        for (int i = 0; i < 6; ++i) {
            const EnvironmentMap::TexelRect& r = drawnRegions[static_cast<std::size_t>(i)];
            if ((environmentMap.facesDrawnLastCapture & (1u << i)) != 0 && !r.empty()) {
                glCopyImageSubData(environmentMap.drawTarget.id, GL_TEXTURE_CUBE_MAP, 0, r.x0, r.y0, i,
                                   environmentMap.cubeMap.id, GL_TEXTURE_CUBE_MAP, 0, r.x0, r.y0, i, r.x1 - r.x0,
                                   r.y1 - r.y0, 1);
            }
        }
        glViewport(0, 0, currentWidth, currentHeight);
    }
    camera.yaw = camera.savedYaw;
    camera.pitch = camera.savedPitch;
    camera.aspect = camera.savedAspect;
    camera.front = camera.savedFront;
    camera.up = camera.savedUp;
    camera.right = frameRight;
    camera.view = frameView;
    camera.projection = frameProjection;
    camera.fov = frameFov;
}

unsigned int mirrorFacesInView(const glm::vec3& eye, const glm::mat4& viewProjection, float fovDegrees,
                               int viewportHeight) {
    constexpr float half = 0.5f;  // the cube's half edge as drawn (its w is scaled with it)
    if (boundsOutsideView(glm::vec3(-half), glm::vec3(half), viewProjection)) {
        return 0;
    }
    // A pixel the cube covers only in part is shaded at its centre, which may lie outside the
    // cube's side: the position there is carried on past the side's edge by up to a pixel's
    // diagonal. Twice a pixel at the cube's far corner, plus a little for rounding.
    const float farthest = glm::length(eye) + 0.8660254f * 2.0f * half;
    const float pixel = viewportHeight > 0
                            ? farthest * 2.0f * std::tan(0.5f * fovDegrees * 0.017453292f) /
                                  static_cast<float>(viewportHeight)
                            : std::numeric_limits<float>::infinity();
    const float margin = 2.0f * pixel + 1e-3f;
    if (!std::isfinite(margin) || !std::isfinite(eye.x + eye.y + eye.z)) {
        return allEnvironmentFaces;
    }
    unsigned int faces = 0;
    // Every side counts, not only those turned to the eye: in outlines (F1) the far sides show
    // through, and where a near side meets a far one on the outline a sample of the far side
    // can win the depth test.
    for (int k = 0; k < 3; ++k) {
        for (float s : {1.0f, -1.0f}) {
            // The reflected rays of the side whose outward normal is s along axis k, up to a
            // positive factor: along k the eye's offset from the side's plane, the others over
            // the side (and a little past it).
            float low[3], high[3];
            for (int j = 0; j < 3; ++j) {
                const float centre = j == k ? eye[j] - s * half : 0.0f;
                const float reach = j == k ? margin : half + margin;
                low[j] = (j == k ? centre : -eye[j]) - reach;
                high[j] = (j == k ? centre : -eye[j]) + reach;
            }
            // A face of the map is read when some ray has its axis as the longest: the ray's
            // largest reach along that axis must match the least it can have along each other
            // axis (the ranges are independent, so both are reached by one ray).
            for (int t = 0; t < 3; ++t) {
                for (float sign : {1.0f, -1.0f}) {
                    const float reach = sign > 0.0f ? high[t] : -low[t];
                    if (reach <= 0.0f) {
                        continue;
                    }
                    bool longest = true;
                    for (int u = 0; u < 3 && longest; ++u) {
                        if (u == t) {
                            continue;
                        }
                        const float least = (low[u] <= 0.0f && high[u] >= 0.0f)
                                                ? 0.0f
                                                : std::min(std::abs(low[u]), std::abs(high[u]));
                        longest = least <= reach * 1.001f + 1e-5f;
                    }
                    if (!longest) {
                        continue;
                    }
                    // The lookup rule of the mirror's program: a ray along y reads the y faces
                    // by its sign, along x the x faces, and along z the z faces with the sign
                    // turned (the capture draws the view along -Z into +Z).
                    int face = 0;
                    if (t == 0) {
                        face = sign > 0.0f ? 0 : 1;
                    } else if (t == 1) {
                        face = sign > 0.0f ? 2 : 3;
                    } else {
                        face = sign > 0.0f ? 5 : 4;
                    }
                    faces |= 1u << face;
                }
            }
        }
    }
    return faces;
}

void renderEnvironmentMap(EnvironmentMap& environmentMap, std::shared_ptr<Shader> textureShader,
                          const glm::vec3& gammaValue) {
    recordEnvironmentCapture(environmentMap, std::move(textureShader), gammaValue);
    drawEnvironmentFaces(environmentMap, allEnvironmentFaces);
}

void renderReflectiveCube(Skybox& skybox, unsigned int texture) {
    if (!skybox.cubeMapShader) {
        return;
    }
    const Camera& camera = *Camera::getInstance();
    const glm::mat4 projection = passProjection(camera);
    skybox.cubeMapShader->use();
    const unsigned int program = skybox.cubeMapShader->program;
    // 0.75 on all four diagonal entries: w is scaled too, so the cube appears with edge 1.
    glm::mat4 model(0.0f);
    model[0][0] = model[1][1] = model[2][2] = model[3][3] = 0.75f;
    glUniformMatrix4fv(glGetUniformLocation(program, "model"), 1, GL_FALSE, glm::value_ptr(model));
    const glm::mat3 normalMatrix = normalMatrixFor(model);
    glUniformMatrix3fv(glGetUniformLocation(program, "normalMatrix"), 1, GL_FALSE, glm::value_ptr(normalMatrix));
    glUniformMatrix4fv(glGetUniformLocation(program, "view"), 1, GL_FALSE, glm::value_ptr(camera.view));
    glUniformMatrix4fv(glGetUniformLocation(program, "projection"), 1, GL_FALSE, glm::value_ptr(projection));
    // The camera keeps its position in physics space (z negated); the reflection needs the eye
    // where the view matrix puts it, in render space.
    const glm::vec3 eye(camera.position.x, camera.position.y, -camera.position.z);
    glUniform3fv(glGetUniformLocation(program, "cameraPos"), 1, glm::value_ptr(eye));
    glBindVertexArray(skybox.cubeVao);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
    // The cube's faces wind one way on some sides and the other way on the rest, so no winding
    // tells its back faces; closed and convex, it hides them behind its front faces anyway.
    const bool culling = glIsEnabled(GL_CULL_FACE) == GL_TRUE;
    if (culling) {
        glDisable(GL_CULL_FACE);
    }
    glDrawArrays(GL_TRIANGLES, 0, 36);
    if (culling) {
        glEnable(GL_CULL_FACE);
    }
    glBindVertexArray(0);
}
