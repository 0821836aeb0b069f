// The demo's 22 pictures: one recipe per file name the scenes load.
#pragma once

#include <string>
#include <vector>

#include "image.h"

namespace texgen {

enum class Format { Bmp, Jpeg };

struct Texture {
    std::string name;   // file name inside textures/
    Format format;
    Image image;        // exactly as it is written: rows top first
    Image preview;      // how it looks on screen, for the contact sheet (may equal image)
};

std::vector<Texture> buildAllTextures();

// The Windows program's icon, drawn from the title art: 16, 32, 48 and 256 pixels square.
std::vector<Image> programIcon();

// Terrain height (0..255 byte units) for terrain column x, row z of the 128 x 128 map:
// row z is the BMP's z-th stored row and lies at world z = z - 63.5.
constexpr int kMapSize = 128;
// Ground below this byte value lies under the water plane (world height 5 with the
// landscape's scale 30 and offset -5: 10 / 30 * 255).
constexpr float kWaterLevel = 85.0f;

}  // namespace texgen
