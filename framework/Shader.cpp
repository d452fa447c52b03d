#include "framework/Shader.h"

#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include <glm/gtc/type_ptr.hpp>

#include "framework/AssetSearch.h"
#include "framework/GlLifetime.h"
#include "platform/system/Console.h"
#include "platform/system/FatalError.h"

const std::string defaultVertexShaderSource =
    "#version 330 core\nlayout(location = 0) in vec3 position;\nvoid main() {\n\tgl_Position = vec4(position.xy, "
    "-position.z, 1);\n}";
const std::string defaultFragmentShaderSource =
    "#version 330 core \nuniform vec3 fragColor = vec3(1, 0, 0); \nout vec4 color; \nvoid main() {  \n\tcolor = "
    "vec4(fragColor, 1); \n}";

namespace {

// An info log as OpenGL reports it: up to the length it gives, without its terminating NUL.
std::string infoLogText(const std::vector<GLchar>& buffer) {
    std::string text(buffer.begin(), buffer.end());
    const std::size_t end = text.find('\0');
    return end == std::string::npos ? text : text.substr(0, end);
}

}  // namespace

Shader::Shader(std::string vertexFile, std::string fragmentFile)
    : vertexShader(std::move(vertexFile)), fragmentShader(std::move(fragmentFile)), fromSource(false) {
    program = GlProgram(loadProgram());
}

Shader::Shader()
    : vertexShader(defaultVertexShaderSource), fragmentShader(defaultFragmentShaderSource), fromSource(true) {
    program = GlProgram(loadProgram());
}

Shader::~Shader() { release(); }

void Shader::release() {
    if (program == 0) {
        return;
    }
    if (glContextAlive()) {
        glUseProgram(0);
    }
    program.release();
}

void Shader::use() { glUseProgram(program); }

GLint Shader::getUniformLocation(std::string_view name) {
    // The name is copied into a string kept for look-ups, so a look-up allocates nothing once
    // that string has grown to the longest name asked for.
    lookupName.assign(name.data(), name.size());
    const auto found = uniformLocations.find(lookupName);
    if (found != uniformLocations.end()) {
        return found->second;
    }
    const GLint location = glGetUniformLocation(program, lookupName.c_str());
    uniformLocations.emplace(lookupName, location);
    return location;
}

void Shader::setUniform(std::string_view name, const glm::mat3& value) {
    const GLint location = getUniformLocation(name);
    if (location != -1) {
        glUniformMatrix3fv(location, 1, GL_FALSE, glm::value_ptr(value));
    }
}

void Shader::setUniform(std::string_view name, const glm::mat4& value) {
    const GLint location = getUniformLocation(name);
    if (location != -1) {
        glUniformMatrix4fv(location, 1, GL_FALSE, glm::value_ptr(value));
    }
}

void Shader::setUniform(std::string_view name, const glm::vec2& value) {
    const GLint location = getUniformLocation(name);
    if (location != -1) {
        glUniform2f(location, value.x, value.y);
    }
}

void Shader::setUniform(std::string_view name, const glm::vec3& value) {
    const GLint location = getUniformLocation(name);
    if (location != -1) {
        glUniform3f(location, value.x, value.y, value.z);
    }
}

void Shader::setUniform(std::string_view name, const glm::vec4& value) {
    const GLint location = getUniformLocation(name);
    if (location != -1) {
        glUniform4f(location, value.x, value.y, value.z, value.w);
    }
}

void Shader::setUniform(std::string_view name, int value) {
    const GLint location = getUniformLocation(name);
    if (location != -1) {
        glUniform1i(location, value);
    }
}

void Shader::setUniform(std::string_view name, float value) {
    const GLint location = getUniformLocation(name);
    if (location != -1) {
        glUniform1f(location, value);
    }
}

GLuint Shader::loadProgram() {
    GLuint vertexStage = 0;
    GLuint fragmentStage = 0;
    loadShader(vertexShader, GL_VERTEX_SHADER, vertexStage);
    loadShader(fragmentShader, GL_FRAGMENT_SHADER, fragmentStage);

    const GLuint linked = glCreateProgram();
    glAttachShader(linked, vertexStage);
    glAttachShader(linked, fragmentStage);
    glLinkProgram(linked);
    GLint status = GL_FALSE;
    glGetProgramiv(linked, GL_LINK_STATUS, &status);

    if (status != GL_FALSE) {
        glDetachShader(linked, vertexStage);
        glDetachShader(linked, fragmentStage);
        glDeleteShader(vertexStage);
        glDeleteShader(fragmentStage);
        return linked;
    }

    GLint logLength = 0;
    glGetProgramiv(linked, GL_INFO_LOG_LENGTH, &logLength);
    std::vector<GLchar> log(static_cast<std::size_t>(logLength > 0 ? logLength : 0));
    if (!log.empty()) {
        glGetProgramInfoLog(linked, logLength, nullptr, log.data());
    }
    consoleLine("Failed to link shader program:");
    consoleLine(infoLogText(log));
    glDeleteProgram(linked);
    glDeleteShader(vertexStage);
    glDeleteShader(fragmentStage);
    fatalExit();
}

bool Shader::loadShader(std::string fileOrSource, GLenum type, GLuint& handle) {
    std::string source;
    if (fromSource) {
        source = fileOrSource;
    } else {
        const std::string path = findShaderFile(fileOrSource);
        std::ifstream stream(path, std::ios::in);
        if (!stream.good()) {
            fatalError("Unable to load file[" + path + "]!");
        }
        source.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    }

    handle = glCreateShader(type);
    if (handle == 0) {
        fatalError("Failed to create " + std::to_string(static_cast<unsigned int>(type)));
    }

    const GLchar* text = source.c_str();
    glShaderSource(handle, 1, &text, nullptr);
    glCompileShader(handle);
    GLint status = GL_FALSE;
    glGetShaderiv(handle, GL_COMPILE_STATUS, &status);

    if (status != GL_FALSE && glIsShader(handle)) {
        if (!fromSource) {
            consoleLine("Read shader: " + fileOrSource);
        }
        return true;
    }

    GLint logLength = 0;
    glGetShaderiv(handle, GL_INFO_LOG_LENGTH, &logLength);
    std::vector<GLchar> log(static_cast<std::size_t>(logLength > 0 ? logLength : 0));
    if (!log.empty()) {
        glGetShaderInfoLog(handle, logLength, nullptr, log.data());
    }
    consoleLine("Failed to compile shader: " + fileOrSource);
    consoleLine(infoLogText(log));
    glDeleteShader(handle);
    fatalExit();
}
