#pragma once
// The mirror cube's environment map: the cube map the cube samples, the target its faces are
// drawn into with its framebuffer, and the capture's record of what it draws and of what each
// face holds. The capture itself (record, drawing the owed faces) is in EnvironmentCapture.h.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "framework/GlHandle.h"
#include "renderer/ThiefBounds.h"

class Shader;
class Skybox;

struct CubeMap {
    GlTexture id;  // the cube-map texture
    int size = 0;  // edge length in texels
};

// Bit i: face i (+X, -X, +Y, -Y, +Z, -Z).
constexpr unsigned int allEnvironmentFaces = 0x3fu;

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

    // Bit i set: the last call of drawEnvironmentFaces drew face i (none when nothing was owed).
    unsigned int facesDrawnLastCapture = 0;

    // What the calls of drawEnvironmentFaces have drawn since the map was made, for the checks
    // of the skipping to say which kinds of draw their runs reached.
    struct DrawTally {
        unsigned long faces = 0;         // faces drawn, whole or in part
        unsigned long partialFaces = 0;  // of them, drawn only within the thief's rectangles
        // Calls that drew a face in part and then, in the same call, a later face whole.
        unsigned long partialThenWhole = 0;
    };
    DrawTally drawTally;

    static EnvironmentMap* getInstance();

    // Gives the framebuffer, the renderbuffer and the cube-map texture back (shutdown).
    void release();

    // The next capture draws every face.
    void forgetFaces();

    // What a face's pixels depend on besides the thief: light, sky grade, gamma, the programs,
    // textures and meshes drawn, and the OpenGL state the draws run under.
    using CaptureInputs = std::array<std::uint64_t, 40>;

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

    // What a face holds, as its last draw left it.
    struct FaceRecord {
        bool drawn = false;        // holds a capture at all
        bool thiefReached = false; // the thief's bounds reached the face when it was drawn
        TexelRect thiefRect;       // where they reached it (meaningful when thiefReached)
        CaptureInputs inputs{};
    };

private:
    EnvironmentMap();
    friend void recordEnvironmentCapture(EnvironmentMap& environmentMap, std::shared_ptr<Shader> textureShader,
                                         const glm::vec3& gammaValue);
    friend void drawEnvironmentFaces(EnvironmentMap& environmentMap, unsigned int faces);

    std::array<FaceRecord, 6> faces{};
    BoneBoxes boneBoxes;  // the thief's model, boxed for his bounds
};

// A 512 x 512 RGB cube map without images (environmentMapFaceSize on a side).
CubeMap createEmptyCubeMap();
// The edge of the capture's faces: 512. A test seam: a check that draws thousands of captures
// may make the map smaller before it is first made.
extern int environmentMapFaceSize;
