#include "PeripheryGl.h"

#include <unistd.h>

#include <IL/il.h>
#include <IL/ilu.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <utility>

#include "state/Camera.h"
#include "state/GlobalState.h"
#include "state/Settings.h"
#include "renderer/Blur.h"
#include "renderer/EnvironmentMap.h"
#include "renderer/LensFlare.h"
#include "renderer/Skybox.h"
#include "renderer/RendererState.h"

namespace periph {

namespace {

std::unique_ptr<testgl::GlContext>& contextSlot() {
    static std::unique_ptr<testgl::GlContext> context;
    return context;
}

// Gives the singletons' names back and closes the context before the process ends, while
// GLFW is still initialised.
class ContextEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        std::unique_ptr<testgl::GlContext>& context = contextSlot();
        if (!context || !context->ok()) {
            return;
        }
        LensFlare::getInstance()->release();
        Blur::getInstance()->release();
        EnvironmentMap::getInstance()->release();
        Skybox::getInstance()->release();
        context.reset();
    }
};

const bool environmentRegistered = [] {
    ::testing::AddGlobalTestEnvironment(new ContextEnvironment);
    return true;
}();

}  // namespace

testgl::GlContext& sharedContext() {
    std::unique_ptr<testgl::GlContext>& context = contextSlot();
    if (!context) {
        // "../assets/" from here is the source tree's asset folder.
        if (chdir(QV_SOURCE_DIR "/tests") != 0) {
            ADD_FAILURE() << "cannot enter " << QV_SOURCE_DIR "/tests";
        }
        context = std::make_unique<testgl::GlContext>(256, 256);
        ilInit();
        iluInit();
    }
    return *context;
}

void PeripheryGlTest::SetUp() {
    testgl::GlContext& context = sharedContext();
    ASSERT_TRUE(context.ok()) << context.error();
    context.clearErrors();
    resetRendererStateForTests();
    introActive = false;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glActiveTexture(GL_TEXTURE0);
}

void PeripheryGlTest::TearDown() {
    testgl::GlContext& context = sharedContext();
    if (context.ok()) {
        for (const std::string& message : context.errors()) {
            ADD_FAILURE() << "OpenGL error: " << message;
        }
        context.clearErrors();
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glUseProgram(0);
        glBindVertexArray(0);
    }
    resetRendererStateForTests();
}

std::vector<std::string> PeripheryGlTest::takeErrors() {
    std::vector<std::string> errors = sharedContext().errors();
    sharedContext().clearErrors();
    return errors;
}

Target::Target(int w, int h) : width(w), height(h) {
    glGenTextures(1, &color);
    glBindTexture(GL_TEXTURE_2D, color);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

Target::~Target() {
    glDeleteFramebuffers(1, &fbo);
    glDeleteRenderbuffers(1, &depth);
    glDeleteTextures(1, &color);
}

void Target::bind() const {
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, width, height);
}

void Target::clear(float r, float g, float b) const {
    bind();
    glClearColor(r, g, b, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

testgl::Pixels Target::read() const { return testgl::readPixels(fbo, width, height); }

std::vector<float> uniformValues(unsigned int program, const std::string& name, int count) {
    std::vector<float> values(static_cast<std::size_t>(count), 0.0f);
    const GLint location = glGetUniformLocation(program, name.c_str());
    EXPECT_GE(location, 0) << "the program has no active uniform " << name;
    if (location >= 0) {
        glGetUniformfv(program, location, values.data());
    }
    return values;
}

glm::vec3 cubeTexelDirection(int face, int i, int j, int size) {
    const float s = 2.0f * (static_cast<float>(i) + 0.5f) / static_cast<float>(size) - 1.0f;
    const float t = 2.0f * (static_cast<float>(j) + 0.5f) / static_cast<float>(size) - 1.0f;
    switch (face) {
        case 0: return glm::normalize(glm::vec3(1.0f, -t, -s));
        case 1: return glm::normalize(glm::vec3(-1.0f, -t, s));
        case 2: return glm::normalize(glm::vec3(s, 1.0f, t));
        case 3: return glm::normalize(glm::vec3(s, -1.0f, -t));
        case 4: return glm::normalize(glm::vec3(s, -t, 1.0f));
        default: return glm::normalize(glm::vec3(-s, -t, -1.0f));
    }
}

unsigned int createSignCubeMap(int size) {
    unsigned int texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
    std::vector<unsigned char> rgb(static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 3);
    for (int face = 0; face < 6; ++face) {
        for (int j = 0; j < size; ++j) {
            for (int i = 0; i < size; ++i) {
                const glm::vec3 d = cubeTexelDirection(face, i, j, size);
                unsigned char* p = &rgb[(static_cast<std::size_t>(j) * static_cast<std::size_t>(size) + static_cast<std::size_t>(i)) * 3];
                p[0] = d.x > 0.0f ? 255 : 0;
                p[1] = d.y > 0.0f ? 255 : 0;
                p[2] = d.z > 0.0f ? 255 : 0;
            }
        }
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGB8, size, size, 0, GL_RGB, GL_UNSIGNED_BYTE,
                     rgb.data());
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    }
    sampleCubeMapAsTheMirrorDoes();
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return texture;
}

void sampleCubeMapAsTheMirrorDoes() {
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
}

glm::ivec3 expectedSigns(const glm::vec3& direction, float margin) {
    const float length = glm::length(direction);
    glm::ivec3 signs;
    for (int k = 0; k < 3; ++k) {
        signs[k] = std::abs(direction[k]) < margin * length ? -1 : (direction[k] > 0.0f ? 1 : 0);
    }
    return signs;
}

int signMismatches(const glm::ivec3& rgb, const glm::ivec3& expected) {
    int mismatches = 0;
    for (int k = 0; k < 3; ++k) {
        if (expected[k] >= 0 && (rgb[k] > 127 ? 1 : 0) != expected[k]) {
            ++mismatches;
        }
    }
    return mismatches;
}

bool hitCube(const glm::vec3& origin, const glm::vec3& dir, glm::vec3& point, glm::vec3& normal, float edge) {
    float tMin = 0.0f, tMax = std::numeric_limits<float>::infinity();
    int axisIn = -1;
    for (int axis = 0; axis < 3; ++axis) {
        if (std::abs(dir[axis]) < 1e-9f) {
            if (std::abs(origin[axis]) > 0.5f) return false;
            continue;
        }
        float t0 = (-0.5f - origin[axis]) / dir[axis];
        float t1 = (0.5f - origin[axis]) / dir[axis];
        if (t0 > t1) std::swap(t0, t1);
        if (t0 > tMin) {
            tMin = t0;
            axisIn = axis;
        }
        tMax = std::min(tMax, t1);
        if (tMin > tMax) return false;
    }
    if (axisIn < 0) return false;
    point = origin + dir * tMin;
    normal = glm::vec3(0.0f);
    normal[axisIn] = point[axisIn] > 0.0f ? 1.0f : -1.0f;
    for (int axis = 0; axis < 3; ++axis) {
        if (axis != axisIn && std::abs(point[axis]) > 0.5f - edge) return false;
    }
    return true;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        result.push_back(line);
    }
    return result;
}

}  // namespace periph
