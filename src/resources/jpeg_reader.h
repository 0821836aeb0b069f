// JPEG files decoded to packed RGB rows, top row of the picture first.
#pragma once

#include <string>

#include "resources/dib.h"

enum class JpegStatus { Ok, Unreadable, Corrupt };

// Grayscale and CMYK pictures come back as RGB.  Anything the decoder rejects or only
// half-reads (truncated data, warnings, absurd sizes) is Corrupt and yields no image.
JpegStatus readJpeg(const std::string& fileName, std::unique_ptr<RgbImage>& image);
