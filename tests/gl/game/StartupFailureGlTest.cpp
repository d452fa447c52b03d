// Start-up abandoned after the framework has started: no OpenGL call may come once GLFW is
// terminated, including those of destructors that run after main has returned.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstdlib>

#include "framework/Framework.h"
#include "state/PhysicsWorld.h"
#include "game/Startup.h"
#include "support/DeathTestIo.h"
#include "support/GlContext.h"

namespace {

PFNGLUSEPROGRAMPROC realUseProgram = nullptr;
PFNGLDELETEPROGRAMPROC realDeleteProgram = nullptr;
PFNGLDELETEBUFFERSPROC realDeleteBuffers = nullptr;
PFNGLDELETEVERTEXARRAYSPROC realDeleteVertexArrays = nullptr;

void requireContext(const char* call) {
    if (glfwGetCurrentContext() == nullptr) {
        std::fprintf(stderr, "%s without an OpenGL context\n", call);
        std::_Exit(3);
    }
}

void GLAPIENTRY guardedUseProgram(GLuint program) {
    requireContext("glUseProgram");
    realUseProgram(program);
}
void GLAPIENTRY guardedDeleteProgram(GLuint program) {
    requireContext("glDeleteProgram");
    realDeleteProgram(program);
}
void GLAPIENTRY guardedDeleteBuffers(GLsizei n, const GLuint* buffers) {
    requireContext("glDeleteBuffers");
    realDeleteBuffers(n, buffers);
}
void GLAPIENTRY guardedDeleteVertexArrays(GLsizei n, const GLuint* arrays) {
    requireContext("glDeleteVertexArrays");
    realDeleteVertexArrays(n, arrays);
}

// The calls with which the framework gives its names back, each refused once no context is current.
void guardFrameworkTeardownCalls() {
    realUseProgram = glad_glUseProgram;
    realDeleteProgram = glad_glDeleteProgram;
    realDeleteBuffers = glad_glDeleteBuffers;
    realDeleteVertexArrays = glad_glDeleteVertexArrays;
    glad_glUseProgram = guardedUseProgram;
    glad_glDeleteProgram = guardedDeleteProgram;
    glad_glDeleteBuffers = guardedDeleteBuffers;
    glad_glDeleteVertexArrays = guardedDeleteVertexArrays;
}

}  // namespace

TEST(StartupFailure, APhysicsWorldThatCannotBeBuiltTearsTheFrameworkDownBeforeGlfw) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            testio::prepareFatalChild();
            // GLFW is terminated under this context, so it is never destroyed.
            static testgl::GlContext* gl = new testgl::GlContext();
            if (!gl->ok() || !initFramework()) {
                std::fprintf(stderr, "no context or framework: %s\n", gl->error().c_str());
                std::_Exit(2);
            }
            guardFrameworkTeardownCalls();
            // Nothing can be built without the foundation: the one made before main goes.
            physxFoundation->release();
            physxFoundation = nullptr;
            const bool started = startPhysicsWorld();
            // Leaving as main does: the process's static objects are destroyed now.
            std::exit(started ? 4 : 0);
        },
        testing::ExitedWithCode(0), testing::HasSubstr("ERROR: The physics foundation could not be created\n"));
}
