// Turns BMP and JPEG files into OpenGL textures.  No cache: every load reads the file
// again and makes a new texture; a failed load reports and yields null.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resources/load_report.h"

struct Texture {
    std::uint32_t name = 0;  // the OpenGL texture name
};

class TextureManager {
public:
    TextureManager() = default;  // touches no OpenGL: built before the window exists

    Texture* loadBmp(const std::string& fileName);
    Texture* loadJpeg(const std::string& fileName);

    std::vector<Texture*> textures;  // created by loadBmp, in creation order
    resources::LoadReport failures;  // the files whose failure this run has reported
};
