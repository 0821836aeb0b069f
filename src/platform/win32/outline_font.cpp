#include "platform/outline_font.h"

#include <windows.h>
#include <GL/gl.h>

#include <algorithm>
#include <vector>

namespace platform {

// The system's own outline font; kept until the program ends.
struct OutlineFont::Face {
    HFONT font = nullptr;
    ~Face() {
        if (font != nullptr) DeleteObject(font);
    }
};

OutlineFont::OutlineFont(std::unique_ptr<Face> f, std::string p) : face(std::move(f)), path(std::move(p)) {}
OutlineFont::~OutlineFont() = default;

std::unique_ptr<OutlineFont> OutlineFont::open(const std::string& family, bool bold) {
    // The face's default size: the outlines come out in em units whatever the height.  A
    // face the system does not have is replaced by its own choice.
    HFONT font = CreateFontA(0, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             family.c_str());
    if (font == nullptr) return nullptr;
    auto face = std::make_unique<Face>();
    face->font = font;
    return std::unique_ptr<OutlineFont>(new OutlineFont(std::move(face), family));
}

void OutlineFont::buildLists(std::uint32_t first, std::uint32_t count, std::uint32_t listBase, float depth,
                             OutlineFormat format, GlyphMetricsFloat* metrics) {
    if (first > 254) return;
    count = std::min<std::uint32_t>(count, 255 - first);
    if (count == 0) return;
    // The system builds the lists through the device context of the current OpenGL context.
    HDC dc = wglGetCurrentDC();
    std::vector<GLYPHMETRICSFLOAT> glyphs(count);
    HGDIOBJ previous = dc != nullptr ? SelectObject(dc, face->font) : nullptr;
    const BOOL built = dc != nullptr &&
                       wglUseFontOutlinesA(dc, first, count, listBase + first, 0.0f, depth,
                                           format == OutlineFormat::Lines ? WGL_FONT_LINES : WGL_FONT_POLYGONS,
                                           glyphs.data());
    if (previous != nullptr) SelectObject(dc, previous);
    if (!built) {
        buildEmptyLists(first, count, listBase, metrics);
        return;
    }
    if (metrics == nullptr) return;
    for (std::uint32_t i = 0; i < count; ++i) {
        const GLYPHMETRICSFLOAT& g = glyphs[i];
        metrics[first + i] = GlyphMetricsFloat{g.gmfBlackBoxX,         g.gmfBlackBoxY, g.gmfptGlyphOrigin.x,
                                               g.gmfptGlyphOrigin.y, g.gmfCellIncX,  g.gmfCellIncY};
    }
}

}  // namespace platform
