#pragma once
#include <string>
#include <string_view>
#include <unordered_map>

#include <glm/glm.hpp>

#include "framework/GlHandle.h"
#include "platform/gl/GL.h"

// The built-in default shader's two stages (GLSL 330): attribute 0 is a clip-space position
// whose z is negated; the fragment stage paints the uniform fragColor (red by default).
extern const std::string defaultVertexShaderSource;
extern const std::string defaultFragmentShaderSource;

// One linked program of one vertex and one fragment stage, given as asset file names (found
// by the asset search) or as GLSL text. Every failure while building it is fatal: a Shader
// either holds a linked program or the process has ended. Made, used and destroyed on the
// main thread with the context current.
class Shader {
public:
    // File mode: two asset names such as "../assets/shaders/ModelShader/modelShader.vert".
    Shader(std::string vertexFile, std::string fragmentFile);
    // Source mode: the built-in default shader.
    Shader();
    // Leaves no program current, whichever was, then deletes the program.
    ~Shader();

    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    void use();

    // Cached per name, -1 (a uniform the program lacks or the driver dropped) included. Once a
    // name is cached, looking it up again allocates nothing.
    GLint getUniformLocation(std::string_view name);

    // These set a uniform of the current program (call use first); a name the program
    // lacks sends nothing. Matrices go in GLM's column-major order.
    void setUniform(std::string_view name, const glm::mat3& value);
    void setUniform(std::string_view name, const glm::mat4& value);
    void setUniform(std::string_view name, const glm::vec2& value);
    void setUniform(std::string_view name, const glm::vec3& value);
    void setUniform(std::string_view name, const glm::vec4& value);
    void setUniform(std::string_view name, int value);
    void setUniform(std::string_view name, float value);

    // Gives the program back now (unbinding it first); the destructor then does nothing.
    // Shutdown calls this for programs that outlive the context.
    void release();

    GLuint loadProgram();
    bool loadShader(std::string fileOrSource, GLenum type, GLuint& handle);

    GlProgram program;
    std::string vertexShader;
    std::string fragmentShader;
    bool fromSource = false;
    std::unordered_map<std::string, GLint> uniformLocations;

private:
    std::string lookupName;  // the name being looked up, NUL-terminated for OpenGL
};
