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
    // The same filled geometry as plain triangles (x y z per vertex), when the list holds
    // nothing else: a string of such glyphs is drawn in one call.
    std::vector<float> triangles;
    bool filled = false;
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

// Triangles and quads (what the outline font writes for solid glyphs) as one triangle list.
void flatten(List& list) {
    list.filled = true;
    for (const Primitive& p : list.primitives) {
        const int corners = p.mode == GL_TRIANGLES ? 3 : p.mode == GL_QUADS ? 4 : 0;
        if (corners == 0) {
            list.filled = false;
            list.triangles.clear();
            return;
        }
        static constexpr int order[2][6] = {{0, 1, 2, -1, -1, -1}, {0, 1, 2, 0, 2, 3}};
        const std::size_t count = p.vertices.size() / 6;
        for (std::size_t first = 0; first + static_cast<std::size_t>(corners) <= count; first += static_cast<std::size_t>(corners))
            for (int k : order[corners == 4 ? 1 : 0]) {
                if (k < 0) break;
                const float* v = &p.vertices[(first + static_cast<std::size_t>(k)) * 6];
                list.triangles.insert(list.triangles.end(), {v[0], v[1], v[2]});
            }
    }
}

// A string of filled glyphs in one draw: each glyph's triangles moved by the pen so far,
// then the pen's whole advance as the lists' translations would have left it.  False when
// some list holds lines (those are replayed list by list).
bool drawFilledString(GLsizei n, const GLubyte* codes) {
    Lists& s = state();
    for (GLsizei i = 0; i < n; ++i) {
        const auto it = s.lists.find(s.base + codes[i]);
        if (it != s.lists.end() && !it->second.filled) return false;
    }
    static std::vector<float> vertices;
    vertices.clear();
    float pen[3] = {0.0f, 0.0f, 0.0f};
    for (GLsizei i = 0; i < n; ++i) {
        const auto it = s.lists.find(s.base + codes[i]);
        if (it == s.lists.end()) continue;
        const List& l = it->second;
        for (std::size_t v = 0; v + 2 < l.triangles.size(); v += 3)
            vertices.insert(vertices.end(), {l.triangles[v] + pen[0], l.triangles[v + 1] + pen[1], l.triangles[v + 2] + pen[2]});
        pen[0] += l.advanceX;
        pen[1] += l.advanceY;
        pen[2] += l.advanceZ;
    }
    if (!vertices.empty()) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, vertices.data());
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.size() / 3));
        glDisableClientState(GL_VERTEX_ARRAY);
    }
    if (pen[0] != 0.0f || pen[1] != 0.0f || pen[2] != 0.0f) glTranslatef(pen[0], pen[1], pen[2]);
    return true;
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
    if (s.recording != 0) {
        flatten(s.building);
        s.lists[s.recording] = std::move(s.building);
    }
    s.recording = 0;
    s.building = List{};
}

void glListBase(GLuint base) { state().base = base; }

void glCallList(GLuint list) { replay(list); }

void glCallLists(GLsizei n, GLenum type, const GLvoid* lists) {
    if (type != GL_UNSIGNED_BYTE || lists == nullptr) return;  // the only kind the program calls
    const auto* codes = static_cast<const GLubyte*>(lists);
    if (drawFilledString(n, codes)) return;
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
