// Outline fonts turned into OpenGL display lists: one list per byte value (the Western
// ANSI code page), each drawing its glyph as solid extruded geometry or as line outlines
// and then moving the pen by the glyph's advance, so a string is drawn by calling one
// list per byte.  Glyphs and metrics are in em units: 1.0 is the height of the em square.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Per glyph, in this order: black-box width and height, the black box's upper-left corner
// relative to the pen (x, y), and the pen advance (x, y).
struct GlyphMetricsFloat {
    float blackBoxX = 0.0f;
    float blackBoxY = 0.0f;
    float glyphOriginX = 0.0f;
    float glyphOriginY = 0.0f;
    float cellIncX = 0.0f;
    float cellIncY = 0.0f;
};

enum class OutlineFormat { Polygons, Lines };

class OutlineFont {
public:
    // The installed outline face that best matches the family name (and weight); only
    // scalable outline faces are considered, so a bitmap font is never chosen.  When the
    // family is not installed the font system's fallback is used.  Null only when no
    // outline face can be opened at all.
    static std::unique_ptr<OutlineFont> open(const std::string& family, bool bold);
    // The face at `index` in this font file; null unless it is a scalable outline face.
    static std::unique_ptr<OutlineFont> openFile(const std::string& file, int index);
    ~OutlineFont();
    OutlineFont(const OutlineFont&) = delete;
    OutlineFont& operator=(const OutlineFont&) = delete;

    const std::string& file() const { return path; }

    // Compiles lists listBase + code for every code in [first, first + count) (codes above
    // 254 are skipped), with the front face at z = 0 and, for polygons and depth > 0, a back
    // face at z = -depth joined by side walls.  Front faces wind counter-clockwise seen
    // from +z.  metrics[code] receives the glyph's metrics.  Needs a current OpenGL context.
    void buildLists(std::uint32_t first, std::uint32_t count, std::uint32_t listBase, float depth,
                    OutlineFormat format, GlyphMetricsFloat* metrics);

private:
    struct Face;
    OutlineFont(std::unique_ptr<Face> face, std::string path);
    std::unique_ptr<Face> face;
    std::string path;
};

// Empty display lists and zero metrics for the codes when no font is available.
void buildEmptyLists(std::uint32_t first, std::uint32_t count, std::uint32_t listBase, GlyphMetricsFloat* metrics);

}  // namespace platform
