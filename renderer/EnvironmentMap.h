#pragma once
// The mirror cube at the world origin: after every fixed step of the running game the scene is
// captured into the six faces of a cube map from the origin, and the cube is drawn reflecting it.
//
// A capture is recorded at the step (the light, sky and gamma of that moment, the thief as he
// stood and the render state) and each face is drawn from the record only when a frame can show
// it: a face the mirror cannot sample on this frame keeps its redraw owed, with what it depends
// on, until one can. Faces are also drawn again only when something they show may have changed
// since they were last drawn: the light and sky (blendFactor), gamma, the render state the
// draws depend on, or the thief, whose bounds reach the face now or reached it then (so his old
// image is painted over). When only the thief has changed, the face is drawn again only inside
// the rectangle his bounds cover now and covered then: every texel outside it already holds what
// a whole draw would give it.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "framework/GlHandle.h"

class PlayerModel;
class Shader;
class Skybox;

struct CubeMap {
    GlTexture id;  // the cube-map texture
    int size = 0;  // edge length in texels
};

class EnvironmentMap {
public:
    GlFramebuffer fbo;
    GlRenderbuffer rbo;  // depth, GL_DEPTH_COMPONENT24
    CubeMap cubeMap;     // what the mirror cube shows: a copy of drawTarget's faces
    // The faces are drawn here and the texels drawn copied into cubeMap. Sampling a texture that
    // has been drawn into makes the software renderer wait for everything queued so far, in the
    // middle of the frame; a copy is written by the processor and samples without a wait.
    CubeMap drawTarget;
    Skybox* skybox = nullptr;

    // Draws all six faces at every capture (tests compare the face skipping with it).
    bool drawEveryFace = false;
    // Bit i set: the last call that drew faces drew face i.
    unsigned int facesDrawnLastCapture = 0;

    static EnvironmentMap* getInstance();

    // Gives the framebuffer, the renderbuffer and the cube-map texture back (shutdown).
    void release();

    // The next capture draws every face.
    void forgetFaces();

    // What a face's pixels depend on besides the thief: light, sky grade, gamma, the programs,
    // textures and meshes drawn, and the OpenGL state the draws run under.
    using CaptureInputs = std::array<std::uint64_t, 40>;

    // The thief's bounds in render space around its skinned vertices as the animated-model
    // program will place them; `known` false when they cannot be bounded (every face counts
    // as reached then).
    struct ThiefBounds {
        bool known = false;
        bool empty = true;
        glm::vec3 low{0.0f};
        glm::vec3 high{0.0f};
    };
    ThiefBounds thiefBounds(const PlayerModel& model, const std::vector<glm::mat4>& boneMatrices,
                            const glm::vec3& controllerPosition, float yawDegrees);

    // What the capture after a fixed step draws, as it stood at that step. Each face is drawn
    // from it, then or on a later frame, exactly as a capture at the step would have drawn it.
    struct CaptureScene {
        unsigned long generation = 0;  // 0: nothing recorded yet
        std::shared_ptr<Shader> textureShader;
        CaptureInputs inputs{};
        float blendFactor = 1.0f;
        glm::vec3 lightColor{0.0f};
        glm::vec3 lightDirection{0.0f};
        glm::vec3 gamma{0.0f};
        float brightness = 1.0f;
        glm::vec3 eye{0.0f};             // the frame camera's position (the thief's highlights)
        glm::vec3 thiefPosition{0.0f};   // the controller's, physics space
        float thiefYaw = 0.0f;
        std::vector<glm::mat4> boneMatrices;  // as the animated program held them
        int polygonMode = 0;             // F1
        bool cullFace = false;           // F2
        float clearColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};  // shows where nothing is drawn (F1)
        ThiefBounds thief;
    };
    CaptureScene scene;
    // The scene generation each face holds (drawn from it, or found to need no new draw).
    std::array<unsigned long, 6> faceGeneration{};
    // Bit i set: face i does not hold the recorded scene yet.
    unsigned int facesOwed() const;

    // A rectangle of texels, [x0, x1) x [y0, y1) from the face's lower left corner.
    struct TexelRect {
        int x0 = 0;
        int y0 = 0;
        int x1 = 0;
        int y1 = 0;
        bool empty() const { return x1 <= x0 || y1 <= y0; }
    };

private:
    EnvironmentMap();
    friend void drawEnvironmentFaces(EnvironmentMap& environmentMap, unsigned int faces);

    struct FaceRecord {
        bool drawn = false;        // holds a capture at all
        bool thiefReached = false; // the thief's bounds reached the face when it was drawn
        TexelRect thiefRect;       // where they reached it (meaningful when thiefReached)
        CaptureInputs inputs{};
    };
    std::array<FaceRecord, 6> faces{};

    // Mesh-space boxes of the player model's vertices, one per bone that moves them (slot 100:
    // the vertices no bone moves), made once per model.
    struct BoneBox {
        bool used = false;
        glm::vec3 low{0.0f};
        glm::vec3 high{0.0f};
    };
    const void* boxedModel = nullptr;
    const void* boxedVertices = nullptr;
    std::size_t boxedVertexCount = 0;
    bool boxesKnown = false;
    std::vector<BoneBox> boneBoxes;
    void boxBones(const PlayerModel& model);
};

// True when nothing inside `bounds` (render space) can reach the clip volume of
// `viewProjection`: every corner lies outside one and the same clip plane, with a margin of a
// few texels for rounding.
bool boundsOutsideView(const glm::vec3& low, const glm::vec3& high, const glm::mat4& viewProjection);

// The texels of a `size` x `size` target that anything inside `bounds` (render space) can
// cover under `viewProjection`, with a margin for rounding; the whole target when the bounds
// reach behind or too close to the eye (their projection is then unbounded).
EnvironmentMap::TexelRect boundsTexelRect(const glm::vec3& low, const glm::vec3& high, const glm::mat4& viewProjection,
                                          int size);

// A 512 x 512 RGB cube map without images (environmentMapFaceSize on a side).
CubeMap createEmptyCubeMap();
// The edge of the capture's faces: 512. A test seam: a check that draws thousands of captures
// may make the map smaller before it is first made.
extern int environmentMapFaceSize;

// Yaw and pitch (degrees) of the capture camera for cube face i (+X, -X, +Y, -Y, +Z, -Z).
struct CaptureAngles {
    float yaw;
    float pitch;
};
CaptureAngles captureAngles(int face);

// The capture's view of one face: rows -right, -up and front, where -right and -up are the
// vectors Camera::updateVectors stores (it keeps right and up negated), so they go in as they
// are; no translation: the eye is the origin.
glm::mat4 captureViewMatrix(const glm::vec3& storedRight, const glm::vec3& storedUp, const glm::vec3& front);

// The capture after a fixed step: records what it draws (CaptureScene) and owes every face.
// Draws nothing.
void recordEnvironmentCapture(EnvironmentMap& environmentMap, std::shared_ptr<Shader> textureShader,
                              const glm::vec3& gammaValue);

// Draws the owed faces among `faces` (bit i: face i) from the recorded scene, each only where
// its texels may have changed since it was last drawn, into the cube map the mirror samples.
// Sets and restores what it needs (depth test, render state, camera, viewport, framebuffer).
void drawEnvironmentFaces(EnvironmentMap& environmentMap, unsigned int faces);
constexpr unsigned int allEnvironmentFaces = 0x3fu;

// A capture drawn at once: recordEnvironmentCapture, then every owed face.
void renderEnvironmentMap(EnvironmentMap& environmentMap, std::shared_ptr<Shader> textureShader,
                          const glm::vec3& gammaValue);

// The faces (bit i: face i) the mirror cube can sample in a frame seen from `eye` (render
// space) through `viewProjection`, at a viewport `viewportHeight` pixels high with a vertical
// field of view of `fovDegrees`: none when the cube lies outside the view, else a bound of the
// faces the reflected rays of its visible sides can select. Conservative: it may name a face no
// pixel samples, never leaves out one a pixel may sample.
unsigned int mirrorFacesInView(const glm::vec3& eye, const glm::mat4& viewProjection, float fovDegrees,
                               int viewportHeight);

// Draws the cube (edge 1 on screen, centred on the origin) sampling the given cube map.
void renderReflectiveCube(Skybox& skybox, unsigned int texture);
