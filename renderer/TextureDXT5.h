#pragma once
#include <cstdint>
#include <string>

#include "framework/Texture.h"
#include "platform/gl/GL.h"

// The texture of every DDS image the renderer shows: the framework's compressed load checks
// the file (found by the asset search), then DevIL decodes the same file, at the path the
// search found, and the RGBA pixels replace the compressed image, with a full mipmap chain
// sampled down to level 10.
//
// When the decode fails, the compressed texture (if the DDS file was DXT1/3/5) stays as the
// image rather than being replaced by an empty one. A file that only DevIL reads (an
// uncompressed DDS) gives an RGBA texture in `handle` that Texture::bind ignores, since
// `initialized` stays false; the object still deletes it.
class TextureDXT5 : public Texture {
public:
    explicit TextureDXT5(std::string file);

    std::int32_t width = 0;   // as the decoder reported it (0 when it could not read the file)
    std::int32_t height = 0;
    bool opaque = false;      // the decoded image's every texel has alpha 255 (false without one)
};

namespace ImageLoader {

// Decodes an image file with DevIL (initialised by start-up) into width * height RGBA bytes,
// rows one after another as DevIL delivers them; the caller frees them with delete[].
// Returns null after printing why: a missing file, a failed decode, or a format other than
// RGBA (then width and height stay written).
unsigned char* load(std::string path, std::int32_t& width, std::int32_t& height);

}  // namespace ImageLoader

// Decodes an image file with stb_image into a new 2D texture with mipmaps: 1 channel as
// GL_RED, 2 as GL_RG, 3 as GL_RGB, 4 as GL_RGBA. A file that does not decode prints
// "Texture failed to load at path: <path>" and still gives a fresh texture name, without image.
GLuint loadImageTexture(const char* path);
