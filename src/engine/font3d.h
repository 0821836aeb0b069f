// Solid 3D text: an outline font compiled once into one display list per byte value, each
// glyph extruded from z = 0 back to z = -depth and ending with the pen moved by its
// advance.  Glyphs are in em units with the baseline on the X axis.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/outline_font.h"

class RenderList;

class Font3D {
public:
    // Needs a current OpenGL context.  A face that is not installed is replaced by the
    // font system's choice; with no outline font at all the text is simply invisible.
    static Font3D* create(const char* faceName, float depth, bool lines);

    // Draws the string at the current model-view matrix, centred horizontally on it: the
    // matrix is left translated by minus half the string's advance (the renderer's
    // push and pop around each drawable contain it).
    void drawText(RenderList* list, const char* text);

    std::unique_ptr<platform::OutlineFont> font;  // kept for the whole run
    std::uint32_t listBase = 0;                   // first of 256 consecutive lists
    std::array<platform::GlyphMetricsFloat, 256> metrics{};
};
