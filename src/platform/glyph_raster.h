// Text rasterised into an 8-bit coverage mask, for the content tools that draw lettering into
// pictures.  The font is chosen by a fontconfig pattern ("DejaVu Sans:bold"), so a machine
// with the same fonts installed produces the same pixels every run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct TextMask {
    int width = 0;
    int height = 0;
    int baseline = 0;  // rows from the top of the mask down to the text's baseline
    std::vector<std::uint8_t> coverage;  // width * height, top row first, 0..255

    std::uint8_t at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0;
        return coverage[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                        static_cast<std::size_t>(x)];
    }
};

struct TextStyle {
    std::string fontPattern = "DejaVu Sans:bold";
    int pixelHeight = 64;      // em size in pixels
    float stretchX = 1.0f;     // horizontal scale of every glyph (1 = the font's own shape)
    float slant = 0.0f;        // shear: x += slant * y, for an oblique look
    int letterSpacing = 0;     // extra pixels between letters
    int emboldenPx = 0;        // grows every outline by this many pixels on each side
};

// Empty when the font cannot be found or loaded, or the text renders nothing.
std::optional<TextMask> rasteriseText(const std::string& text, const TextStyle& style);

// The font file fontconfig picks for a pattern; empty when nothing matches.
std::string findFontFile(const std::string& pattern, int* faceIndex = nullptr);

}  // namespace platform
