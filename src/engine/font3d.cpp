#include "engine/font3d.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

Font3D* Font3D::create(const char* faceName, float depth, bool lines) {
    auto* f = new Font3D();  // lives for the rest of the process, like the scenes that use it
    f->listBase = glGenLists(256);
    f->font = platform::OutlineFont::open(faceName != nullptr ? faceName : "", true);
    if (f->listBase == 0) return f;  // no lists to fill: drawing calls nothing
    if (f->font) {
        f->font->buildLists(0, 255, f->listBase, depth,
                            lines ? platform::OutlineFormat::Lines : platform::OutlineFormat::Polygons,
                            f->metrics.data());
    } else {
        std::fprintf(stderr, "No outline font for \"%s\": text will not show.\n", faceName != nullptr ? faceName : "");
        platform::buildEmptyLists(0, 255, f->listBase, f->metrics.data());
    }
    // Byte 255 draws nothing and does not move the pen.
    platform::buildEmptyLists(255, 1, f->listBase, f->metrics.data());
    return f;
}

void Font3D::drawText(RenderList*, const char* text) {
    if (text == nullptr) return;
    const std::size_t length = std::strlen(text);
    float width = 0.0f;
    for (std::size_t i = 0; i < length; ++i) width += metrics[static_cast<unsigned char>(text[i])].cellIncX;
    glTranslatef(-width * 0.5f, 0.0f, 0.0f);
    glPushAttrib(GL_LIST_BIT);
    glListBase(listBase);
    glCallLists(static_cast<GLsizei>(length), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
}
