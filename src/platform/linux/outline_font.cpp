#include "platform/outline_font.h"

#include <GL/gl.h>
#include <fontconfig/fontconfig.h>

#include <string>

#include "platform/freetype/outline_face.h"

namespace platform {

namespace {

bool fcBool(FcPattern* p, const char* object, bool fallback) {
    FcBool v;
    return FcPatternGetBool(p, object, 0, &v) == FcResultMatch ? v != FcFalse : fallback;
}

const backend::GlyphListWriter writer{
    [](std::uint32_t list) { glNewList(list, GL_COMPILE); },
    [](unsigned mode) { glBegin(mode); },
    [](double x, double y, double z) { glNormal3d(x, y, z); },
    [](double x, double y, double z) { glVertex3d(x, y, z); },
    [] { glEnd(); },
    [](float x, float y, float z) { glTranslatef(x, y, z); },
    [] { glEndList(); },
};

}  // namespace

const backend::GlyphListWriter& backend::glyphListWriter() { return writer; }

std::unique_ptr<OutlineFont> OutlineFont::open(const std::string& family, bool bold) {
    if (FcInit() == FcFalse) return nullptr;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return nullptr;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcFontSet* fonts = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
    FcPatternDestroy(pattern);
    if (fonts == nullptr) return nullptr;

    // The best-ranked candidate that really is an outline face FreeType can open.
    std::unique_ptr<OutlineFont> font;
    for (int i = 0; i < fonts->nfont && !font; ++i) {
        FcPattern* candidate = fonts->fonts[i];
        if (!fcBool(candidate, FC_OUTLINE, false) || !fcBool(candidate, FC_SCALABLE, false)) continue;
        FcChar8* file = nullptr;
        if (FcPatternGetString(candidate, FC_FILE, 0, &file) != FcResultMatch || file == nullptr) continue;
        int index = 0;
        FcPatternGetInteger(candidate, FC_INDEX, 0, &index);
        font = openFile(reinterpret_cast<const char*>(file), index);
    }
    FcFontSetDestroy(fonts);
    return font;
}

}  // namespace platform
