#pragma once
// The one way the game owns an OpenGL object: a move-only handle holding one name. Destroying
// the handle, or calling release(), deletes the object, but only while the context still takes
// calls (GlLifetime.h); once it is gone the name is just forgotten. Moving hands the name over
// and leaves the source empty, so a name is deleted exactly once.
//
// The handle reads as its GLuint wherever OpenGL wants the name (glBindTexture(GL_TEXTURE_2D,
// texture)); it cannot be assigned a bare name by accident: adopting one made elsewhere (a
// loader that returns a fresh name) is spelled GlTexture(name).
#include <utility>

#include "framework/GlLifetime.h"
#include "platform/gl/GL.h"

namespace glkind {

struct Buffer {
    static GLuint make() {
        GLuint name = 0;
        glGenBuffers(1, &name);
        return name;
    }
    static void destroy(GLuint name) { glDeleteBuffers(1, &name); }
};

struct VertexArray {
    static GLuint make() {
        GLuint name = 0;
        glGenVertexArrays(1, &name);
        return name;
    }
    static void destroy(GLuint name) { glDeleteVertexArrays(1, &name); }
};

struct Texture {
    static GLuint make() {
        GLuint name = 0;
        glGenTextures(1, &name);
        return name;
    }
    static void destroy(GLuint name) { glDeleteTextures(1, &name); }
};

struct Framebuffer {
    static GLuint make() {
        GLuint name = 0;
        glGenFramebuffers(1, &name);
        return name;
    }
    static void destroy(GLuint name) { glDeleteFramebuffers(1, &name); }
};

struct Renderbuffer {
    static GLuint make() {
        GLuint name = 0;
        glGenRenderbuffers(1, &name);
        return name;
    }
    static void destroy(GLuint name) { glDeleteRenderbuffers(1, &name); }
};

struct Program {
    static GLuint make() { return glCreateProgram(); }
    static void destroy(GLuint name) { glDeleteProgram(name); }
};

}  // namespace glkind

template <typename Kind>
class GlName {
public:
    GlName() = default;
    // Takes over a name made elsewhere; 0 gives an empty handle.
    explicit GlName(GLuint adopted) noexcept : name_(adopted) {}
    // A fresh name (glGen*, or glCreateProgram for a program).
    static GlName generate() { return GlName(Kind::make()); }

    ~GlName() { release(); }

    GlName(const GlName&) = delete;
    GlName& operator=(const GlName&) = delete;
    GlName(GlName&& other) noexcept : name_(std::exchange(other.name_, 0u)) {}
    // Deletes the object this handle held, then takes the other's.
    GlName& operator=(GlName&& other) noexcept {
        if (this != &other) {
            release();
            name_ = std::exchange(other.name_, 0u);
        }
        return *this;
    }

    // Deletes the object now; the handle is empty afterwards. Releasing an empty handle does nothing.
    void release() noexcept {
        if (name_ != 0 && glContextAlive()) {
            Kind::destroy(name_);
        }
        name_ = 0;
    }

    GLuint id() const noexcept { return name_; }
    operator GLuint() const noexcept { return name_; }

private:
    GLuint name_ = 0;
};

using GlBuffer = GlName<glkind::Buffer>;
using GlVertexArray = GlName<glkind::VertexArray>;
using GlTexture = GlName<glkind::Texture>;
using GlFramebuffer = GlName<glkind::Framebuffer>;
using GlRenderbuffer = GlName<glkind::Renderbuffer>;
using GlProgram = GlName<glkind::Program>;
