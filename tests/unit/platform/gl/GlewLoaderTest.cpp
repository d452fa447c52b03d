// glewInit on a context that GLX did not make (a Wayland window's EGL context) loads the entry
// points and then fails for want of a GLX display; that one result is accepted there, and
// nowhere else, and no other failure is.
#include <gtest/gtest.h>

#include <GL/glew.h>

#include "platform/gl/GlewLoader.h"

TEST(GlewStarted, OnlyGlewOkOnGlxAndTheMissingGlxDisplayOnOtherContextsAreAccepted) {
    EXPECT_TRUE(glew::started(GLEW_OK, true));
    EXPECT_TRUE(glew::started(GLEW_OK, false));
    EXPECT_FALSE(glew::started(GLEW_ERROR_NO_GLX_DISPLAY, true));
    EXPECT_TRUE(glew::started(GLEW_ERROR_NO_GLX_DISPLAY, false));
    for (const bool glx : {true, false}) {
        SCOPED_TRACE(glx ? "GLX context" : "other context");
        EXPECT_FALSE(glew::started(GLEW_ERROR_NO_GL_VERSION, glx));
        EXPECT_FALSE(glew::started(GLEW_ERROR_GL_VERSION_10_ONLY, glx));
        EXPECT_FALSE(glew::started(GLEW_ERROR_GLX_VERSION_11_ONLY, glx));
    }
}
