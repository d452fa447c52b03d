// The faces of the environment map the mirror cube reads, as the GPU draws it: the mirror's own
// program over a cube map of six flat colours, so that the colour of every drawn sample tells
// the face it read.
#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <glm/glm.hpp>

#include "support/PeripheryGl.h"
#include "framework/Shader.h"
#include "state/Camera.h"
#include "renderer/MirrorFaces.h"
#include "renderer/ModelPasses.h"
#include "renderer/ReflectiveCube.h"
#include "renderer/Skybox.h"

using periph::PeripheryGlTest;
using periph::Target;

namespace {

constexpr int width = 256;  // 16:9, as the game's window
constexpr int height = 144;
constexpr int samples = 4;  // as the game's window asks for

// Face i's colour. Each has its lit channels at 255, which the mirror's tint and fresnel keep
// above 200, and its dark channels at 0, which the fresnel term and the bright bevel along the
// cube's edges lift to no more than 80: a channel reads lit above 127. The six patterns differ,
// and black (the background) and white are none of them.
const glm::ivec3 faceColours[6] = {{255, 0, 0}, {0, 255, 255}, {0, 255, 0}, {255, 0, 255}, {0, 0, 255}, {255, 255, 0}};
const char* const faceNames[6] = {"+X", "-X", "+Y", "-Y", "+Z", "-Z"};

// The face whose colour a drawn sample shows, -1 for the background, -2 for neither.
int faceShown(const unsigned char* rgba) {
    const glm::ivec3 lit(rgba[0] > 127 ? 255 : 0, rgba[1] > 127 ? 255 : 0, rgba[2] > 127 ? 255 : 0);
    if (lit == glm::ivec3(0)) {
        return -1;
    }
    for (int face = 0; face < 6; ++face) {
        if (lit == faceColours[face]) {
            return face;
        }
    }
    return -2;
}

std::string describeFaces(unsigned int faces) {
    std::string text;
    for (int face = 0; face < 6; ++face) {
        if (faces & (1u << face)) {
            text += text.empty() ? "" : " ";
            text += faceNames[face];
        }
    }
    return text.empty() ? "none" : text;
}

unsigned int flatColourCubeMap() {
    unsigned int texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
    for (int face = 0; face < 6; ++face) {
        std::vector<unsigned char> rgba;
        for (int texel = 0; texel < 16; ++texel) {
            for (int k = 0; k < 3; ++k) {
                rgba.push_back(static_cast<unsigned char>(faceColours[face][k]));
            }
            rgba.push_back(255);
        }
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face), 0, GL_RGBA8, 4, 4, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, rgba.data());
    }
    periph::sampleCubeMapAsTheMirrorDoes();
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return texture;
}

GLuint compileStage(GLenum type, const char* source) {
    const GLuint stage = glCreateShader(type);
    glShaderSource(stage, 1, &source, nullptr);
    glCompileShader(stage);
    GLint ok = 0;
    glGetShaderiv(stage, GL_COMPILE_STATUS, &ok);
    EXPECT_EQ(ok, GL_TRUE) << source;
    return stage;
}

// A multisampled target like the game window, read back sample by sample. A resolve would blend
// the samples along the cube's outline into colours of no face, and the outline is where the
// samples shaded past the edge of a side lie: the ones the bound has to allow for.
class SampledTarget {
public:
    SampledTarget() : spread(width * samples, height) {
        glGenTextures(1, &color);
        glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, color);
        glTexImage2DMultisample(GL_TEXTURE_2D_MULTISAMPLE, samples, GL_RGBA8, width, height, GL_TRUE);
        glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, 0);
        glGenRenderbuffers(1, &depth);
        glBindRenderbuffer(GL_RENDERBUFFER, depth);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT24, width, height);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D_MULTISAMPLE, color, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
        EXPECT_EQ(testgl::integer(GL_SAMPLES), samples);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);

        // Sample s of pixel (x, y) goes to (x * samples + s, y) of the spread.
        const GLuint vertex = compileStage(GL_VERTEX_SHADER, R"(#version 430 core
void main() {
    vec2 corner = vec2((gl_VertexID << 1) & 2, gl_VertexID & 2);
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
})");
        const GLuint fragment = compileStage(GL_FRAGMENT_SHADER, R"(#version 430 core
uniform sampler2DMS picture;
uniform int samples;
out vec4 fragColor;
void main() {
    ivec2 at = ivec2(gl_FragCoord.xy);
    fragColor = texelFetch(picture, ivec2(at.x / samples, at.y), at.x % samples);
})");
        spreader = glCreateProgram();
        glAttachShader(spreader, vertex);
        glAttachShader(spreader, fragment);
        glLinkProgram(spreader);
        glDeleteShader(vertex);
        glDeleteShader(fragment);
        GLint linked = 0;
        glGetProgramiv(spreader, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE);
        glGenVertexArrays(1, &noVertices);
    }
    ~SampledTarget() {
        glDeleteVertexArrays(1, &noVertices);
        glDeleteProgram(spreader);
        glDeleteFramebuffers(1, &fbo);
        glDeleteRenderbuffers(1, &depth);
        glDeleteTextures(1, &color);
    }
    SampledTarget(const SampledTarget&) = delete;
    SampledTarget& operator=(const SampledTarget&) = delete;

    // Binds it, clears the colour to black and the depth to `depthValue`.
    void clear(double depthValue) const {
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glViewport(0, 0, width, height);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClearDepth(depthValue);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
    }

    // Every sample, `samples` columns a pixel.
    testgl::Pixels read() const {
        spread.bind();
        glDisable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
        glUseProgram(spreader);
        glUniform1i(glGetUniformLocation(spreader, "picture"), 0);
        glUniform1i(glGetUniformLocation(spreader, "samples"), samples);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, color);
        glBindVertexArray(noVertices);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        glBindVertexArray(0);
        glBindTexture(GL_TEXTURE_2D_MULTISAMPLE, 0);
        glUseProgram(0);
        glEnable(GL_BLEND);
        return spread.read();
    }

private:
    Target spread;
    GLuint fbo = 0, color = 0, depth = 0, spreader = 0, noVertices = 0;
};

// Points the game's camera from `eye` towards `target` (render space), its view built as the
// camera builds it: rows right, up and front, looking along -front (a mirrored view).
void aimCamera(const glm::vec3& eye, const glm::vec3& target, float fov) {
    const glm::vec3 front = glm::normalize(eye - target);
    const glm::vec3 right = glm::normalize(glm::cross(front, glm::vec3(0.0f, 1.0f, 0.0f)));
    const glm::vec3 up = glm::normalize(glm::cross(right, front));
    glm::mat4 rotation(1.0f);
    for (int column = 0; column < 3; ++column) {
        rotation[column][0] = right[column];
        rotation[column][1] = up[column];
        rotation[column][2] = front[column];
    }
    glm::mat4 translation(1.0f);
    translation[3] = glm::vec4(-eye, 1.0f);
    Camera& camera = *Camera::getInstance();
    camera.fov = fov;
    camera.aspect = static_cast<float>(width) / static_cast<float>(height);
    camera.position = glm::vec3(eye.x, eye.y, -eye.z);  // the camera keeps physics space
    camera.view = rotation * translation;
}

class MirrorFacesGl : public PeripheryGlTest {
protected:
    void SetUp() override {
        PeripheryGlTest::SetUp();
        skybox = Skybox::getInstance();
        skybox->cubeMapShader = std::make_shared<Shader>("../assets/shaders/CubeMapShader/cubeMapShader.vert",
                                                         "../assets/shaders/CubeMapShader/cubeMapShader.frag");
        map = flatColourCubeMap();
    }
    void TearDown() override {
        glDeleteTextures(1, &map);
        skybox->cubeMapShader.reset();
        PeripheryGlTest::TearDown();
    }

    // The mirror as the frame draws it, depth-tested against a cleared buffer: with GL_LESS the
    // sides turned to the eye show, with GL_GREATER (and the depth cleared to 0) the far ones.
    void drawMirror(const SampledTarget& target, GLenum depthFunction) const {
        target.clear(depthFunction == GL_GREATER ? 0.0 : 1.0);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(depthFunction);
        renderReflectiveCube(*skybox, map);
        glDepthFunc(GL_LESS);
        glDisable(GL_DEPTH_TEST);
    }

    Skybox* skybox = nullptr;
    unsigned int map = 0;
};

}  // namespace

// From eyes near and far, above and below and all round, the cube now in the middle of the view,
// now off to a side or partly out of it: every face whose colour any sample shows is among the
// faces the frame's bound names. Each view is drawn twice, as a frame draws it (the sides turned
// to the eye) and with the far sides, which show through in outlines; every sample is read, the
// outline's included.
TEST_F(MirrorFacesGl, EveryFaceTheMirrorShowsIsNamed) {
    SampledTarget target;
    const Camera& camera = *Camera::getInstance();
    int viewsShowingTheCube = 0, viewsNamingFewFaces = 0;
    for (int v = 0; v < 56; ++v) {
        const int n = 7 * v;
        const float distance = 0.75f + 0.12f * static_cast<float>(n % 97) * static_cast<float>(n % 5 + 1);
        const float azimuth = 0.61803398f * static_cast<float>(n) * 6.2831853f;
        // Up to about as high above or below the cube as it is far from it.
        const float elevation =
            (2.5f + 0.8f * distance) * (-1.0f + 2.0f * static_cast<float>((n * 37) % 101) / 100.0f);
        const glm::vec3 eye(distance * std::cos(azimuth), elevation, distance * std::sin(azimuth));
        const float fov = v % 3 == 0 ? 60.0f : 45.0f;
        glm::vec3 towards;
        if (v % 4 != 3) {
            // Looking past the cube by up to half the distance to it.
            const float past = 0.3f + 0.25f * distance * static_cast<float>(v % 4);
            towards = past * glm::normalize(glm::vec3(std::sin(1.3f * static_cast<float>(n)),
                                                      0.6f * std::cos(2.1f * static_cast<float>(n)),
                                                      std::cos(1.3f * static_cast<float>(n))));
        } else {
            // Looking to one side, above or below, the cube's middle just past that edge of the
            // view and a part of the cube within it.
            const int edge = (v / 4) % 4;
            const glm::vec3 toCube = -glm::normalize(eye);
            const glm::vec3 sideways = glm::normalize(glm::cross(toCube, glm::vec3(0.0f, 1.0f, 0.0f)));
            const glm::vec3 across = edge < 2 ? sideways : glm::cross(sideways, toCube);
            const float halfFov = 0.5f * glm::radians(fov);
            const float halfView = edge < 2 ? std::atan(std::tan(halfFov) * width / height) : halfFov;
            const float angle = halfView + 0.5f * std::asin(std::min(1.0f, 0.8660254f / glm::length(eye)));
            towards = (edge % 2 == 0 ? 1.0f : -1.0f) * glm::length(eye) * std::tan(angle) * across;
        }
        aimCamera(eye, towards, fov);
        // As the frame asks before it draws the mirror.
        const unsigned int named = mirrorFacesInView(cameraEyeRenderSpace(camera.position),
                                                     passProjection(camera) * camera.view, camera.fov, height);

        std::ostringstream view;
        view << "view " << v << " from (" << eye.x << ", " << eye.y << ", " << eye.z << ") towards (" << towards.x
             << ", " << towards.y << ", " << towards.z << "), fov " << camera.fov << ", named " << describeFaces(named);
        bool cubeShown = false;
        for (const GLenum depthFunction : {GL_LESS, GL_GREATER}) {
            drawMirror(target, depthFunction);
            const testgl::Pixels drawn = target.read();
            int count[6] = {0, 0, 0, 0, 0, 0};
            int unclear = 0;
            glm::ivec2 firstUnnamed(-1);
            for (int y = 0; y < drawn.height; ++y) {
                for (int x = 0; x < drawn.width; ++x) {
                    const int face = faceShown(drawn.at(x, y));
                    unclear += face == -2 ? 1 : 0;
                    if (face < 0) {
                        continue;
                    }
                    ++count[face];
                    if (!(named & (1u << face)) && firstUnnamed.x < 0) {
                        firstUnnamed = glm::ivec2(x / samples, y);
                    }
                }
            }
            unsigned int shown = 0;
            std::ostringstream counts;
            for (int face = 0; face < 6; ++face) {
                shown |= count[face] > 0 ? 1u << face : 0u;
                counts << " " << faceNames[face] << " " << count[face];
            }
            cubeShown = cubeShown || shown != 0;
            const char* sides = depthFunction == GL_LESS ? "near sides" : "far sides";
            EXPECT_EQ(unclear, 0) << view.str() << ", " << sides << ": samples of no face's colour";
            EXPECT_EQ(shown & ~named, 0u) << view.str() << ", " << sides << ": shows " << describeFaces(shown)
                                          << " (samples:" << counts.str() << "), the first unnamed at pixel ("
                                          << firstUnnamed.x << ", " << firstUnnamed.y << ")";
        }
        viewsShowingTheCube += cubeShown ? 1 : 0;
        viewsNamingFewFaces += cubeShown && __builtin_popcount(named) <= 3 ? 1 : 0;
    }
    // Enough views see the cube for the check to mean something, and the bound is a bound, not
    // all six faces: most views need no more than three.
    EXPECT_GE(viewsShowingTheCube, 45);
    EXPECT_GT(2 * viewsNamingFewFaces, viewsShowingTheCube);
}

// The face the bound takes for a reflected ray is the one the program reads: from a corner's
// view of three sides, the colour of each pixel well inside a side, against the face named for
// the ray reflected there. Pixels whose ray lies near a seam between two faces are not judged.
TEST_F(MirrorFacesGl, EachRayReadsTheFaceNamedForIt) {
    SampledTarget target;
    const Camera& camera = *Camera::getInstance();
    unsigned int judgedFaces = 0;
    for (int corner = 0; corner < 8; ++corner) {
        const glm::vec3 eye((corner & 1) ? 1.4f : -1.4f, (corner & 2) ? 1.1f : -1.1f, (corner & 4) ? 1.6f : -1.6f);
        aimCamera(eye, glm::vec3(0.0f), 60.0f);
        drawMirror(target, GL_LESS);
        const testgl::Pixels drawn = target.read();
        const glm::mat4 unproject = glm::inverse(passProjection(camera) * camera.view);
        int judged = 0, wrong = 0;
        std::string firstWrong;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const glm::vec2 ndc(2.0f * (static_cast<float>(x) + 0.5f) / width - 1.0f,
                                    2.0f * (static_cast<float>(y) + 0.5f) / height - 1.0f);
                const glm::vec4 nearPoint = unproject * glm::vec4(ndc, -1.0f, 1.0f);
                const glm::vec4 farPoint = unproject * glm::vec4(ndc, 1.0f, 1.0f);
                const glm::vec3 ray =
                    glm::normalize(glm::vec3(farPoint) / farPoint.w - glm::vec3(nearPoint) / nearPoint.w);
                glm::vec3 point, normal;
                if (!periph::hitCube(eye, ray, point, normal, 0.02f)) {
                    continue;
                }
                const glm::vec3 reflected = glm::reflect(ray, normal);
                const glm::vec3 a = glm::abs(reflected);
                const float longest = glm::max(a.x, glm::max(a.y, a.z));
                const float second = glm::max(glm::min(a.x, a.y), glm::min(glm::max(a.x, a.y), a.z));
                if (longest - second < 0.01f) {
                    continue;
                }
                // A pixel on the outline covers only some of its samples; the covered ones hold
                // the colour shaded at its centre.
                int face = -1;
                for (int sample = 0; sample < samples && face < 0; ++sample) {
                    face = faceShown(drawn.at(x * samples + sample, y));
                }
                const int expected = mirrorFaceFor(reflected);
                ++judged;
                judgedFaces |= face >= 0 ? 1u << face : 0u;
                if (face != expected && wrong++ == 0) {
                    std::ostringstream what;
                    what << "pixel (" << x << ", " << y << ") shows " << (face >= 0 ? faceNames[face] : "no face")
                         << ", named " << faceNames[expected] << " for the ray (" << reflected.x << ", " << reflected.y
                         << ", " << reflected.z << ")";
                    firstWrong = what.str();
                }
            }
        }
        EXPECT_GT(judged, 3000) << "from (" << eye.x << ", " << eye.y << ", " << eye.z << ")";
        EXPECT_EQ(wrong, 0) << "of " << judged << " pixels from (" << eye.x << ", " << eye.y << ", " << eye.z
                            << "); the first: " << firstWrong;
    }
    EXPECT_EQ(judgedFaces, 0x3fu) << "every face is judged somewhere";
}
