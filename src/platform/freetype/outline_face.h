// What the FreeType outline code shares with the backends that use it: the face record
// and how a backend writes a glyph's display list.  Only src/platform includes this.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cstdint>

#include "platform/outline_font.h"

namespace platform {

struct OutlineFont::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~Face() {
        if (face != nullptr) FT_Done_Face(face);
        if (library != nullptr) FT_Done_FreeType(library);
    }
};

namespace backend {

// The immediate-mode calls that make up a glyph's list, in the order the list replays them.
struct GlyphListWriter {
    void (*newList)(std::uint32_t list);
    void (*begin)(unsigned mode);
    void (*normal)(double x, double y, double z);
    void (*vertex)(double x, double y, double z);
    void (*end)();
    void (*translate)(float x, float y, float z);
    void (*endList)();
};

// Supplied by each backend that builds its outline fonts with FreeType.
const GlyphListWriter& glyphListWriter();

}  // namespace backend
}  // namespace platform
