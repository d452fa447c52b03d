#include "renderer/TextureDXT5.h"

#include <filesystem>
#include <system_error>

#include <IL/il.h>
#include <IL/ilu.h>
#include <stb_image.h>

#include "platform/system/Console.h"

namespace {

// Uploads with the given unpack alignment and puts the previous one back afterwards:
// rows of 1- to 3-byte pixels are rarely a multiple of 4 bytes long.
class UnpackAlignment {
public:
    explicit UnpackAlignment(GLint alignment) {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &previous);
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    }
    ~UnpackAlignment() { glPixelStorei(GL_UNPACK_ALIGNMENT, previous); }
    UnpackAlignment(const UnpackAlignment&) = delete;
    UnpackAlignment& operator=(const UnpackAlignment&) = delete;

private:
    GLint previous = 4;
};

}  // namespace

TextureDXT5::TextureDXT5(std::string file) : Texture(file) {
    width = 0;
    height = 0;
    // The file the search found, not the name again: that would be opened relative to the
    // working directory, which need not be the executable's.
    unsigned char* pixels = ImageLoader::load(foundPath, width, height);
    if (pixels == nullptr) {
        // Keep the compressed image (if any): an empty RGBA level would show nothing.
        return;
    }

    // The compressed texture (if any) goes before the new name is made.
    handle.release();
    handle = GlTexture::generate();
    glBindTexture(GL_TEXTURE_2D, handle);
    // 4-byte pixels: every row is aligned whatever the unpack alignment is.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    glGenerateMipmap(GL_TEXTURE_2D);
    // Averages of texels with alpha 255 keep 255, so every mip level is as opaque as level 0.
    const std::size_t texels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    opaque = texels > 0;
    for (std::size_t i = 0; i < texels && opaque; ++i) {
        opaque = pixels[4 * i + 3] == 255;
    }

    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 10);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    delete[] pixels;
}

namespace ImageLoader {

unsigned char* load(std::string path, std::int32_t& width, std::int32_t& height) {
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);

    // An existence test that fails for another reason (access denied, a broken link) is
    // reported like a missing file.
    std::error_code error;
    const bool exists = std::filesystem::exists(path, error);
    if (!exists || error) {
        consoleLine("File does not exist: " + path);
        ilDeleteImages(1, &image);
        return nullptr;
    }

    if (!ilLoadImage(path.c_str())) {
        const ILenum code = ilGetError();
        const char* text = iluErrorString(code);
        consoleLine("ImageLoader using DevIL could not load provided image: " + path);
        consoleLine("DevIL Error: " + std::to_string(static_cast<unsigned int>(code)) + " - " + (text ? text : ""));
        ilDeleteImages(1, &image);
        return nullptr;
    }

    width = ilGetInteger(IL_IMAGE_WIDTH);
    height = ilGetInteger(IL_IMAGE_HEIGHT);
    const ILint format = ilGetInteger(IL_IMAGE_FORMAT);
    if (format != IL_RGBA || width <= 0 || height <= 0) {
        consoleLine("Unexpected image format. Expected IL_RGBA.");
        ilDeleteImages(1, &image);
        return nullptr;
    }

    auto* pixels = new unsigned char[static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4];
    ilCopyPixels(0, 0, 0, static_cast<ILuint>(width), static_cast<ILuint>(height), 1, IL_RGBA, IL_UNSIGNED_BYTE,
                 pixels);
    ilDeleteImages(1, &image);
    return pixels;
}

}  // namespace ImageLoader

GLuint loadImageTexture(const char* path) {
    GLuint texture = 0;
    glGenTextures(1, &texture);

    int width = 0;
    int height = 0;
    int channels = 0;
    unsigned char* pixels = stbi_load(path, &width, &height, &channels, 0);
    if (pixels != nullptr) {
        GLenum format = GL_RGBA;
        if (channels == 1) {
            format = GL_RED;
        } else if (channels == 2) {
            format = GL_RG;
        } else if (channels == 3) {
            format = GL_RGB;
        }
        glBindTexture(GL_TEXTURE_2D, texture);
        {
            const UnpackAlignment tightRows(1);
            glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0, format, GL_UNSIGNED_BYTE,
                         pixels);
        }
        glGenerateMipmap(GL_TEXTURE_2D);

        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    } else {
        consoleLine("Texture failed to load at path: " + std::string(path ? path : ""));
    }
    stbi_image_free(pixels);
    return texture;
}
