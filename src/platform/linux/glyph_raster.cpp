#include "platform/glyph_raster.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

namespace platform {

namespace {

struct LibraryDeleter {
    void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDeleter>;
using FacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

struct RenderedGlyph {
    int left = 0;  // pen-relative offset of the bitmap's left column
    int top = 0;   // rows above the baseline of the bitmap's top row
    int width = 0;
    int rows = 0;
    std::vector<std::uint8_t> pixels;
    int penX = 0;  // pen position (pixels) where this glyph was placed
};

// Decodes UTF-8 leniently: malformed bytes come out as U+FFFD instead of stopping the text.
std::vector<char32_t> decodeUtf8(const std::string& text) {
    std::vector<char32_t> out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (i + static_cast<std::size_t>(extra) >= text.size() && extra > 0) {
            out.push_back(0xFFFD);
            break;
        }
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((cc & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        out.push_back(ok ? cp : 0xFFFD);
        i += ok ? static_cast<std::size_t>(extra) + 1 : 1;
    }
    return out;
}

}  // namespace

std::string findFontFile(const std::string& pattern, int* faceIndex) {
    if (!FcInit()) return {};
    FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()));
    if (!pat) return {};
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pat, &result);
    FcPatternDestroy(pat);
    if (!match) return {};
    std::string file;
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
        file = reinterpret_cast<const char*>(path);
    int index = 0;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    if (faceIndex) *faceIndex = index;
    FcPatternDestroy(match);
    return file;
}

std::optional<TextMask> rasteriseText(const std::string& text, const TextStyle& style) {
    if (style.pixelHeight <= 0 || style.pixelHeight > 2048 || text.empty()) return std::nullopt;
    int faceIndex = 0;
    const std::string file = findFontFile(style.fontPattern, &faceIndex);
    if (file.empty()) return std::nullopt;

    FT_Library rawLib = nullptr;
    if (FT_Init_FreeType(&rawLib) != 0) return std::nullopt;
    LibraryPtr lib(rawLib);
    FT_Face rawFace = nullptr;
    if (FT_New_Face(lib.get(), file.c_str(), faceIndex, &rawFace) != 0) return std::nullopt;
    FacePtr face(rawFace);
    if (FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(style.pixelHeight)) != 0)
        return std::nullopt;

    FT_Matrix matrix;
    matrix.xx = static_cast<FT_Fixed>(std::lround(style.stretchX * 65536.0));
    matrix.xy = static_cast<FT_Fixed>(std::lround(style.slant * 65536.0));
    matrix.yx = 0;
    matrix.yy = 0x10000;
    FT_Set_Transform(face.get(), &matrix, nullptr);

    std::vector<RenderedGlyph> glyphs;
    long pen = 0;  // 26.6 fixed point
    FT_UInt previous = 0;
    const bool kerning = FT_HAS_KERNING(face.get());
    for (char32_t cp : decodeUtf8(text)) {
        const FT_UInt index = FT_Get_Char_Index(face.get(), cp);
        if (kerning && previous && index) {
            FT_Vector delta{};
            if (FT_Get_Kerning(face.get(), previous, index, FT_KERNING_UNFITTED, &delta) == 0)
                pen += static_cast<long>(std::lround(delta.x * style.stretchX));
        }
        // No hinting: the shapes then depend only on the outlines, not on a hinter's choices.
        if (FT_Load_Glyph(face.get(), index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) continue;
        FT_GlyphSlot slot = face->glyph;
        if (style.emboldenPx > 0 && slot->format == FT_GLYPH_FORMAT_OUTLINE)
            FT_Outline_Embolden(&slot->outline, style.emboldenPx * 128);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) continue;
        RenderedGlyph g;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int>(slot->bitmap.width);
        g.rows = static_cast<int>(slot->bitmap.rows);
        g.penX = static_cast<int>(pen >> 6);
        if (slot->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && g.width > 0 && g.rows > 0) {
            g.pixels.resize(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.rows));
            for (int y = 0; y < g.rows; ++y) {
                const unsigned char* src = slot->bitmap.buffer + static_cast<long>(y) * slot->bitmap.pitch;
                std::copy(src, src + g.width, g.pixels.begin() + static_cast<long>(y) * g.width);
            }
        } else {
            g.width = g.rows = 0;
        }
        glyphs.push_back(std::move(g));
        pen += slot->advance.x + static_cast<long>(style.letterSpacing) * 64 +
               static_cast<long>(style.emboldenPx) * 128;
        previous = index;
    }

    int minX = 0, maxX = 0, maxTop = 0, minBottom = 0;
    bool any = false;
    for (const auto& g : glyphs) {
        if (g.width == 0) continue;
        const int x0 = g.penX + g.left, x1 = x0 + g.width;
        const int top = g.top, bottom = g.top - g.rows;
        if (!any) {
            minX = x0, maxX = x1, maxTop = top, minBottom = bottom;
            any = true;
        } else {
            minX = std::min(minX, x0), maxX = std::max(maxX, x1);
            maxTop = std::max(maxTop, top), minBottom = std::min(minBottom, bottom);
        }
    }
    if (!any) return std::nullopt;

    TextMask mask;
    mask.width = maxX - minX;
    mask.height = maxTop - minBottom;
    mask.baseline = maxTop;
    mask.coverage.assign(static_cast<std::size_t>(mask.width) * static_cast<std::size_t>(mask.height), 0);
    for (const auto& g : glyphs) {
        for (int y = 0; y < g.rows; ++y) {
            const int dy = maxTop - g.top + y;
            for (int x = 0; x < g.width; ++x) {
                const int dx = g.penX + g.left + x - minX;
                auto& dst = mask.coverage[static_cast<std::size_t>(dy) * static_cast<std::size_t>(mask.width) +
                                          static_cast<std::size_t>(dx)];
                dst = std::max(dst, g.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(g.width) +
                                             static_cast<std::size_t>(x)]);
            }
        }
    }
    return mask;
}

}  // namespace platform
