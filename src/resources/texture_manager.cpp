#include "resources/texture_manager.h"

#include <GL/gl.h>

#include "resources/dib.h"
#include "resources/jpeg_reader.h"
#include "resources/load_report.h"

namespace {

// Textures live for the rest of the process; materials keep pointers to them.
Texture* createTexture(const RgbImage& image) {
    auto* texture = new Texture();
    glGenTextures(1, &texture->name);
    glBindTexture(GL_TEXTURE_2D, texture->name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // Rows are packed (width * 3 bytes, no padding), which the default alignment of 4
    // would misread for widths that are not a multiple of 4.
    GLint previousAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE, image.pixels.get());
    glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
    return texture;
}

}  // namespace

Texture* TextureManager::loadBmp(const std::string& fileName) {
    std::unique_ptr<RgbImage> image = loadDib(fileName);
    if (!image) return nullptr;
    Texture* texture = createTexture(*image);
    textures.push_back(texture);
    return texture;
}

Texture* TextureManager::loadJpeg(const std::string& fileName) {
    std::unique_ptr<RgbImage> image;
    // A broken picture is reported like a missing one: the demo goes on without it.
    if (readJpeg(fileName, image) != JpegStatus::Ok) {
        resources::reportLoadFailure(fileName, "No se pudo abrir el JPG", "MARN");
        return nullptr;
    }
    return createTexture(*image);
}
