// File writers for the generated pictures.  Each returns false (with errno-style reason on
// stderr) instead of leaving a half-written file behind unnoticed.
#pragma once

#include <string>
#include <vector>

#include "image.h"

namespace texgen {

// 24-bit uncompressed BMP with the 14-byte file header and a 40-byte information header,
// stored bottom-up as usual: the picture's bottom row comes first in the file.
bool writeBmp(const std::string& path, const Image& img);
// Baseline JPEG (libjpeg compress API, 4:2:0 unless fullChroma), top row first.
bool writeJpeg(const std::string& path, const Image& img, int quality, bool fullChroma = false);
// Windows icon file: one opaque 32-bit entry per picture (each square, at most 256 pixels).
bool writeIco(const std::string& path, const std::vector<Image>& sizes);
// 8-bit RGB PNG with stored (uncompressed) deflate blocks.
bool writePng(const std::string& path, const Image& img);

}  // namespace texgen
