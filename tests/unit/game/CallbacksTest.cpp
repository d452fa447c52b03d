#include "game/Callbacks.h"

#include <string>

#include <gtest/gtest.h>

#include "support/CaptureStdout.h"

namespace {

std::string words(GLenum source, GLenum type, GLenum severity) {
    return formatDebugMessage(source, type, 7, severity, "m");
}

std::string expected(const char* source, const char* type, const char* severity) {
    return std::string("OpenGL Error: m [Source = ") + source + ", Type = " + type +
           ", Severity = " + severity + ", ID = 7]";
}

}  // namespace

TEST(DebugMessage, ApiErrorLine) {
    EXPECT_EQ(formatDebugMessage(GL_DEBUG_SOURCE_API, GL_DEBUG_TYPE_ERROR, 1282, GL_DEBUG_SEVERITY_HIGH,
                                 "GL_INVALID_OPERATION in glDrawArrays"),
              "OpenGL Error: GL_INVALID_OPERATION in glDrawArrays [Source = API, Type = Error, "
              "Severity = High, ID = 1282]");
}

TEST(DebugMessage, SourceWordsOfCoreAndAmdValues) {
    const GLenum t = GL_DEBUG_TYPE_ERROR;
    const GLenum s = GL_DEBUG_SEVERITY_LOW;
    EXPECT_EQ(words(GL_DEBUG_SOURCE_WINDOW_SYSTEM, t, s), expected("Window System", "Error", "Low"));
    EXPECT_EQ(words(0x914A, t, s), expected("Window System", "Error", "Low"));
    EXPECT_EQ(words(GL_DEBUG_SOURCE_SHADER_COMPILER, t, s), expected("Shader Compiler", "Error", "Low"));
    EXPECT_EQ(words(0x914E, t, s), expected("Shader Compiler", "Error", "Low"));
    EXPECT_EQ(words(GL_DEBUG_SOURCE_THIRD_PARTY, t, s), expected("Third Party", "Error", "Low"));
    EXPECT_EQ(words(GL_DEBUG_SOURCE_APPLICATION, t, s), expected("Application", "Error", "Low"));
    EXPECT_EQ(words(0x914F, t, s), expected("Application", "Error", "Low"));
    EXPECT_EQ(words(GL_DEBUG_SOURCE_OTHER, t, s), expected("Other", "Error", "Low"));
    EXPECT_EQ(words(0x1234, t, s), expected("Unknown", "Error", "Low"));
}

TEST(DebugMessage, TypeWordsOfCoreAndAmdValues) {
    const GLenum src = GL_DEBUG_SOURCE_API;
    const GLenum s = GL_DEBUG_SEVERITY_MEDIUM;
    EXPECT_EQ(words(src, GL_DEBUG_TYPE_DEPRECATED_BEHAVIOR, s), expected("API", "Deprecated Behavior", "Medium"));
    EXPECT_EQ(words(src, 0x914B, s), expected("API", "Deprecated Behavior", "Medium"));
    EXPECT_EQ(words(src, GL_DEBUG_TYPE_UNDEFINED_BEHAVIOR, s), expected("API", "Undefined Behavior", "Medium"));
    EXPECT_EQ(words(src, 0x914C, s), expected("API", "Undefined Behavior", "Medium"));
    EXPECT_EQ(words(src, GL_DEBUG_TYPE_PORTABILITY, s), expected("API", "Portability", "Medium"));
    EXPECT_EQ(words(src, GL_DEBUG_TYPE_PERFORMANCE, s), expected("API", "Performance", "Medium"));
    EXPECT_EQ(words(src, 0x914D, s), expected("API", "Performance", "Medium"));
    EXPECT_EQ(words(src, GL_DEBUG_TYPE_OTHER, s), expected("API", "Other", "Medium"));
    EXPECT_EQ(words(src, GL_DEBUG_TYPE_MARKER, s), expected("API", "Unknown", "Medium"));
    EXPECT_EQ(words(src, GL_DEBUG_TYPE_PUSH_GROUP, s), expected("API", "Unknown", "Medium"));
}

TEST(DebugMessage, AmdCategoriesThatAreOnlySourcesOrBoth) {
    EXPECT_EQ(words(0x9149, 0x9149, GL_DEBUG_SEVERITY_HIGH), expected("API", "Unknown", "High"));
    EXPECT_EQ(words(0x9150, 0x9150, GL_DEBUG_SEVERITY_HIGH), expected("Other", "Other", "High"));
}

TEST(DebugMessage, NotificationHasUnknownSeverity) {
    EXPECT_EQ(words(GL_DEBUG_SOURCE_API, GL_DEBUG_TYPE_OTHER, GL_DEBUG_SEVERITY_NOTIFICATION),
              expected("API", "Other", "Unknown"));
}

TEST(DebugMessage, NullMessageGivesAnEmptyText) {
    EXPECT_EQ(formatDebugMessage(GL_DEBUG_SOURCE_API, GL_DEBUG_TYPE_ERROR, 0, GL_DEBUG_SEVERITY_HIGH, nullptr),
              "OpenGL Error:  [Source = API, Type = Error, Severity = High, ID = 0]");
}

TEST(DebugMessage, CallbackDropsTwoIdsAndPrintsEveryOtherMessage) {
    for (GLuint id : {131185u, 131218u}) {
        CaptureStdout out;
        glDebugOutputCallback(GL_DEBUG_SOURCE_API, GL_DEBUG_TYPE_OTHER, id, GL_DEBUG_SEVERITY_NOTIFICATION, 4,
                              "info", nullptr);
        EXPECT_EQ(out.text(), "") << id;
    }
    CaptureStdout out;
    glDebugOutputCallback(GL_DEBUG_SOURCE_API, GL_DEBUG_TYPE_PERFORMANCE, 4294967295u,
                          GL_DEBUG_SEVERITY_NOTIFICATION, -1, "hint", nullptr);
    EXPECT_EQ(out.text(),
              "OpenGL Error: hint [Source = API, Type = Performance, Severity = Unknown, ID = 4294967295]\n");
}

TEST(GlfwError, CodeIsPrintedInDecimal) {
    CaptureStdout out;
    glfwErrorCallback(65537, "The GLFW library is not initialized");
    glfwErrorCallback(-1, nullptr);
    EXPECT_EQ(out.text(), "GLFW error 65537: The GLFW library is not initialized\nGLFW error -1: \n");
}
