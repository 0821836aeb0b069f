// Display lists, which WebGL and its fixed-function emulation do not have: the outline
// font records each glyph's geometry here and the text drawing replays it.  Only what the
// program puts into lists is kept: primitives of positions with normals, and a final
// translation (the pen's advance).  Attribute pushes keep only the list base, the one
// attribute the program pushes.
#include <GL/gl.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/freetype/outline_face.h"

namespace {

struct Primitive {
    GLenum mode = GL_TRIANGLES;
    std::vector<float> vertices;  // x y z nx ny nz per vertex
};

struct List {
    std::vector<Primitive> primitives;
    float advanceX = 0.0f, advanceY = 0.0f, advanceZ = 0.0f;
};

struct Lists {
    std::unordered_map<GLuint, List> lists;
    GLuint next = 1;
    GLuint base = 0;
    std::vector<GLuint> pushedBases;
    // The list being recorded, and the normal in effect.
    GLuint recording = 0;
    List building;
    float normal[3] = {0.0f, 0.0f, 1.0f};
};

Lists& state() {
    static Lists s;
    return s;
}

void replay(GLuint name) {
    const auto it = state().lists.find(name);
    if (it == state().lists.end()) return;
    const List& list = it->second;
    for (const Primitive& p : list.primitives) {
        glBegin(p.mode);
        for (std::size_t i = 0; i + 5 < p.vertices.size(); i += 6) {
            glNormal3f(p.vertices[i + 3], p.vertices[i + 4], p.vertices[i + 5]);
            glVertex3f(p.vertices[i], p.vertices[i + 1], p.vertices[i + 2]);
        }
        glEnd();
    }
    if (list.advanceX != 0.0f || list.advanceY != 0.0f || list.advanceZ != 0.0f)
        glTranslatef(list.advanceX, list.advanceY, list.advanceZ);
}

// The outline font's writer: straight into the list being recorded.
const platform::backend::GlyphListWriter writer{
    [](std::uint32_t list) { glNewList(list, GL_COMPILE); },
    [](unsigned mode) {
        state().building.primitives.push_back(Primitive{mode, {}});
    },
    [](double x, double y, double z) {
        float* n = state().normal;
        n[0] = static_cast<float>(x);
        n[1] = static_cast<float>(y);
        n[2] = static_cast<float>(z);
    },
    [](double x, double y, double z) {
        Lists& s = state();
        if (s.building.primitives.empty()) return;
        std::vector<float>& v = s.building.primitives.back().vertices;
        v.insert(v.end(), {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), s.normal[0],
                           s.normal[1], s.normal[2]});
    },
    [] {},
    [](float x, float y, float z) {
        List& l = state().building;
        l.advanceX += x;
        l.advanceY += y;
        l.advanceZ += z;
    },
    [] { glEndList(); },
};

}  // namespace

const platform::backend::GlyphListWriter& platform::backend::glyphListWriter() { return writer; }

extern "C" {

GLuint glGenLists(GLsizei range) {
    Lists& s = state();
    if (range <= 0) return 0;
    const GLuint first = s.next;
    for (GLsizei i = 0; i < range; ++i) s.lists[first + static_cast<GLuint>(i)];
    s.next += static_cast<GLuint>(range);
    return first;
}

void glDeleteLists(GLuint list, GLsizei range) {
    for (GLsizei i = 0; i < range; ++i) state().lists.erase(list + static_cast<GLuint>(i));
}

void glNewList(GLuint list, GLenum) {
    Lists& s = state();
    s.recording = list;
    s.building = List{};
}

void glEndList() {
    Lists& s = state();
    if (s.recording != 0) s.lists[s.recording] = std::move(s.building);
    s.recording = 0;
    s.building = List{};
}

void glListBase(GLuint base) { state().base = base; }

void glCallList(GLuint list) { replay(list); }

void glCallLists(GLsizei n, GLenum type, const GLvoid* lists) {
    if (type != GL_UNSIGNED_BYTE || lists == nullptr) return;  // the only kind the program calls
    const auto* codes = static_cast<const GLubyte*>(lists);
    for (GLsizei i = 0; i < n; ++i) replay(state().base + codes[i]);
}

void glPushAttrib(GLbitfield) { state().pushedBases.push_back(state().base); }

void glPopAttrib() {
    Lists& s = state();
    if (s.pushedBases.empty()) return;
    s.base = s.pushedBases.back();
    s.pushedBases.pop_back();
}

// Colour tracking only matters with lighting, which the program never turns on.
void glColorMaterial(GLenum, GLenum) {}

}  // extern "C"
