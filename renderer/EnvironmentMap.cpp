#include "renderer/EnvironmentMap.h"

#include "platform/gl/GL.h"
#include "renderer/Skybox.h"

int environmentMapFaceSize = 512;

CubeMap createEmptyCubeMap() {
    const int cubeMapSize = environmentMapFaceSize;
    CubeMap map;
    map.id = GlTexture::generate();
    glBindTexture(GL_TEXTURE_CUBE_MAP, map.id);
    for (unsigned int i = 0; i < 6; ++i) {
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, 0, GL_RGB, cubeMapSize, cubeMapSize, 0, GL_RGB,
                     GL_UNSIGNED_BYTE, nullptr);
    }
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    map.size = cubeMapSize;
    return map;
}

EnvironmentMap::EnvironmentMap() {
    cubeMap = createEmptyCubeMap();
    drawTarget = createEmptyCubeMap();
    skybox = Skybox::getInstance();
    fbo = GlFramebuffer::generate();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    rbo = GlRenderbuffer::generate();
    glBindRenderbuffer(GL_RENDERBUFFER, rbo);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, cubeMap.size, cubeMap.size);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, rbo);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

EnvironmentMap* EnvironmentMap::getInstance() {
    static EnvironmentMap instance;
    static GlReleaseEntry releaseAtShutdown([] { instance.release(); });
    return &instance;
}

void EnvironmentMap::release() {
    fbo.release();
    rbo.release();
    cubeMap.id.release();
    drawTarget.id.release();
    forgetFaces();
}

void EnvironmentMap::forgetFaces() { faces = {}; }

unsigned int EnvironmentMap::facesOwed() const {
    unsigned int owed = 0;
    for (int i = 0; i < 6; ++i) {
        if (faceGeneration[static_cast<std::size_t>(i)] != scene.generation) {
            owed |= 1u << i;
        }
    }
    return owed;
}
