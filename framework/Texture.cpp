#include "framework/Texture.h"

#include <cstring>

#include "framework/AssetSearch.h"
#include "platform/dds/DdsParser.h"
#include "platform/system/Console.h"

DDSImage loadDDS(const char* path) {
    const std::string pathText = path ? path : "";
    dds::TopLevel file = dds::readTopLevel(pathText);
    const dds::Status status = file.layout.status;

    if (dds::isUnreadableTexture(status)) {
        consoleLine("Unable to load DDS image file from path[" + pathText + "]");
        return DDSImage{};
    }
    if (status == dds::Status::UnsupportedFormat) {
        consoleLine("Unable to load DDS image file [" + pathText + "] due to an unsupported format.");
        return DDSImage{};
    }
    if (status != dds::Status::Ok) {
        return DDSImage{};
    }

    DDSImage result;
    result.image = new unsigned char[file.data.size()];
    std::memcpy(result.image, file.data.data(), file.data.size());
    result.width = file.layout.width;
    result.height = file.layout.height;
    result.size = file.layout.topLevelBytes;
    result.format = file.layout.glFormat;
    return result;
}

Texture::Texture(std::string file) {
    initialized = false;
    foundPath = findTextureFile(file);
    const DDSImage image = loadDDS(foundPath.c_str());
    if (image.image == nullptr) {
        return;
    }

    handle = GlTexture::generate();
    glBindTexture(GL_TEXTURE_2D, handle);
    glCompressedTexImage2D(GL_TEXTURE_2D, 0, image.format, static_cast<GLsizei>(image.width),
                           static_cast<GLsizei>(image.height), 0, static_cast<GLsizei>(image.size), image.image);
    glGenerateMipmap(GL_TEXTURE_2D);

    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);

    initialized = true;
    delete[] image.image;
}

Texture::~Texture() { release(); }

void Texture::release() {
    handle.release();
    initialized = false;
}

void Texture::bind(unsigned int unit) {
    if (!initialized) {
        return;
    }
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, handle);
}
