// Glyph outlines from FreeType, flattened and tessellated into solid extruded geometry or
// line loops, written into display lists through the backend's GlyphListWriter.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <deque>
#include <vector>

#include "platform/freetype/outline_face.h"

namespace platform {

namespace {

// Bytes 0x80..0x9F of the Western ANSI code page; everything else maps to the same
// Unicode value.  Unassigned bytes keep their C1 control value (and get no glyph).
constexpr std::array<std::uint16_t, 32> ansiHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::uint32_t ansiToUnicode(std::uint32_t code) { return code >= 0x80 && code < 0xA0 ? ansiHigh[code - 0x80] : code; }

// Largest distance, in em, between a flattened curve and its chords: far below a pixel
// at any size the demo shows text.
constexpr double flatness = 0.0005;
constexpr int maxCurveSegments = 64;

struct Point {
    double x, y;
};

using Contour = std::vector<Point>;

struct OutlineBuilder {
    double unitsPerEm;
    std::vector<Contour> contours;
    Point pen{0, 0};

    Point toEm(const FT_Vector* v) const { return Point{v->x / unitsPerEm, v->y / unitsPerEm}; }
    void add(Point p) {
        Contour& c = contours.back();
        if (c.empty() || c.back().x != p.x || c.back().y != p.y) c.push_back(p);
        pen = p;
    }
    static int segmentsFor(double deviation) {
        if (!(deviation > 0.0)) return 1;
        double n = std::ceil(std::sqrt(deviation / flatness));
        return static_cast<int>(std::clamp(n, 1.0, static_cast<double>(maxCurveSegments)));
    }

    static int moveTo(const FT_Vector* to, void* user) {
        auto* b = static_cast<OutlineBuilder*>(user);
        b->contours.emplace_back();
        b->add(b->toEm(to));
        return 0;
    }
    static int lineTo(const FT_Vector* to, void* user) {
        auto* b = static_cast<OutlineBuilder*>(user);
        if (b->contours.empty()) b->contours.emplace_back();
        b->add(b->toEm(to));
        return 0;
    }
    static int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
        auto* b = static_cast<OutlineBuilder*>(user);
        if (b->contours.empty()) b->contours.emplace_back();
        Point p0 = b->pen, p1 = b->toEm(control), p2 = b->toEm(to);
        // A quadratic's chord error is |p0 - 2 p1 + p2| / (8 n^2).
        double d = std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y) / 8.0;
        int n = segmentsFor(d);
        for (int i = 1; i <= n; ++i) {
            double t = static_cast<double>(i) / n, u = 1.0 - t;
            b->add(Point{u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x, u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y});
        }
        return 0;
    }
    static int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
        auto* b = static_cast<OutlineBuilder*>(user);
        if (b->contours.empty()) b->contours.emplace_back();
        Point p0 = b->pen, p1 = b->toEm(c1), p2 = b->toEm(c2), p3 = b->toEm(to);
        double d = 0.75 * std::max(std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y),
                                   std::hypot(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y));
        int n = segmentsFor(d);
        for (int i = 1; i <= n; ++i) {
            double t = static_cast<double>(i) / n, u = 1.0 - t;
            double a = u * u * u, bb = 3 * u * u * t, c = 3 * u * t * t, e = t * t * t;
            b->add(Point{a * p0.x + bb * p1.x + c * p2.x + e * p3.x, a * p0.y + bb * p1.y + c * p2.y + e * p3.y});
        }
        return 0;
    }

    // Closed contours without the repeated start point; slivers of under three points go.
    void finish() {
        for (Contour& c : contours)
            if (c.size() > 1 && c.front().x == c.back().x && c.front().y == c.back().y) c.pop_back();
        std::erase_if(contours, [](const Contour& c) { return c.size() < 3; });
    }
};

// Collects the tessellator's output as plain triangles (the edge-flag callback keeps it
// from producing fans and strips).
struct Tessellation {
    std::vector<Point> triangles;  // three points per triangle
    std::deque<Point> extra;       // intersection points the tessellator asks for; stable addresses
    bool failed = false;

    static void GLAPIENTRY begin(GLenum, void*) {}
    static void GLAPIENTRY edgeFlag(GLboolean, void*) {}
    static void GLAPIENTRY vertex(void* data, void* user) {
        static_cast<Tessellation*>(user)->triangles.push_back(*static_cast<const Point*>(data));
    }
    static void GLAPIENTRY end(void*) {}
    static void GLAPIENTRY combine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* user) {
        auto* t = static_cast<Tessellation*>(user);
        t->extra.push_back(Point{coords[0], coords[1]});
        *out = &t->extra.back();
    }
    static void GLAPIENTRY error(GLenum, void* user) { static_cast<Tessellation*>(user)->failed = true; }
};

using GluCallback = void(GLAPIENTRY*)();

std::vector<Point> tessellate(const std::vector<Contour>& contours, bool evenOdd) {
    Tessellation result;
    GLUtesselator* tess = gluNewTess();
    if (tess == nullptr) return {};
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<GluCallback>(&Tessellation::begin));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<GluCallback>(&Tessellation::edgeFlag));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<GluCallback>(&Tessellation::vertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<GluCallback>(&Tessellation::end));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<GluCallback>(&Tessellation::combine));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<GluCallback>(&Tessellation::error));
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, evenOdd ? GLU_TESS_WINDING_ODD : GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess, 0.0, 0.0, 1.0);
    std::vector<std::array<GLdouble, 3>> coords;
    gluTessBeginPolygon(tess, &result);
    for (const Contour& c : contours) {
        gluTessBeginContour(tess);
        for (const Point& p : c) {
            GLdouble xyz[3] = {p.x, p.y, 0.0};
            // The vertex data pointer must stay valid until the polygon ends: point at the
            // contour's own storage, which outlives the call.
            gluTessVertex(tess, xyz, const_cast<Point*>(&p));
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    if (result.failed || result.triangles.size() % 3 != 0) return {};
    return std::move(result.triangles);
}

double cross(const Point& a, const Point& b, const Point& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

void emitPolygons(const backend::GlyphListWriter& gl, const std::vector<Contour>& contours, const std::vector<Point>& triangles, float depth,
                  bool fillOnRight) {
    const double z0 = 0.0, z1 = -static_cast<double>(depth);
    const bool extrude = depth > 0.0f;
    gl.begin(GL_TRIANGLES);
    gl.normal(0.0, 0.0, 1.0);
    for (std::size_t i = 0; i + 2 < triangles.size(); i += 3) {
        const Point& a = triangles[i];
        Point b = triangles[i + 1], c = triangles[i + 2];
        double area = cross(a, b, c);
        if (area == 0.0) continue;
        if (area < 0.0) std::swap(b, c);  // front faces wind counter-clockwise seen from +z
        gl.vertex(a.x, a.y, z0);
        gl.vertex(b.x, b.y, z0);
        gl.vertex(c.x, c.y, z0);
    }
    if (extrude) {
        gl.normal(0.0, 0.0, -1.0);
        for (std::size_t i = 0; i + 2 < triangles.size(); i += 3) {
            const Point& a = triangles[i];
            Point b = triangles[i + 1], c = triangles[i + 2];
            double area = cross(a, b, c);
            if (area == 0.0) continue;
            if (area > 0.0) std::swap(b, c);  // seen from -z the back face is the front
            gl.vertex(a.x, a.y, z1);
            gl.vertex(b.x, b.y, z1);
            gl.vertex(c.x, c.y, z1);
        }
    }
    gl.end();
    if (!extrude) return;
    // Side walls facing away from the filled area.
    gl.begin(GL_QUADS);
    for (const Contour& c : contours) {
        for (std::size_t i = 0; i < c.size(); ++i) {
            Point p = c[i], q = c[(i + 1) % c.size()];
            double dx = q.x - p.x, dy = q.y - p.y, len = std::hypot(dx, dy);
            if (len == 0.0) continue;
            if (!fillOnRight) std::swap(p, q), dx = -dx, dy = -dy;
            // With the fill on the right of p -> q, outward is the left normal (-dy, dx).
            gl.normal(-dy / len, dx / len, 0.0);
            gl.vertex(p.x, p.y, z0);
            gl.vertex(q.x, q.y, z0);
            gl.vertex(q.x, q.y, z1);
            gl.vertex(p.x, p.y, z1);
        }
    }
    gl.end();
}

void emitLines(const backend::GlyphListWriter& gl, const std::vector<Contour>& contours) {
    for (const Contour& c : contours) {
        gl.begin(GL_LINE_LOOP);
        for (const Point& p : c) gl.vertex(p.x, p.y, 0.0);
        gl.end();
    }
}

}  // namespace

OutlineFont::OutlineFont(std::unique_ptr<Face> f, std::string p) : face(std::move(f)), path(std::move(p)) {}
OutlineFont::~OutlineFont() = default;

std::unique_ptr<OutlineFont> OutlineFont::openFile(const std::string& file, int index) {
    auto face = std::make_unique<Face>();
    if (FT_Init_FreeType(&face->library) != 0) return nullptr;
    FT_Face ft = nullptr;
    if (FT_New_Face(face->library, file.c_str(), index, &ft) != 0) return nullptr;
    face->face = ft;
    if (!FT_IS_SCALABLE(ft) || ft->units_per_EM == 0) return nullptr;
    if (FT_Select_Charmap(ft, FT_ENCODING_UNICODE) != 0 && ft->num_charmaps > 0) FT_Set_Charmap(ft, ft->charmaps[0]);
    return std::unique_ptr<OutlineFont>(new OutlineFont(std::move(face), file));
}

void OutlineFont::buildLists(std::uint32_t first, std::uint32_t count, std::uint32_t listBase, float depth,
                             OutlineFormat format, GlyphMetricsFloat* metrics) {
    const backend::GlyphListWriter& gl = backend::glyphListWriter();
    FT_Face ft = face->face;
    const double em = ft->units_per_EM;
    for (std::uint64_t code = first; code < static_cast<std::uint64_t>(first) + count && code <= 254; ++code) {
        GlyphMetricsFloat m;
        OutlineBuilder outline{em, {}, {}};
        bool fillOnRight = true;
        bool evenOdd = false;
        // A byte without a glyph in the face shows the face's missing-glyph shape (index 0).
        FT_UInt index = FT_Get_Char_Index(ft, ansiToUnicode(static_cast<std::uint32_t>(code)));
        if (FT_Load_Glyph(ft, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING) == 0 &&
            ft->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            const FT_Glyph_Metrics& gm = ft->glyph->metrics;
            m.blackBoxX = static_cast<float>(gm.width / em);
            m.blackBoxY = static_cast<float>(gm.height / em);
            m.glyphOriginX = static_cast<float>(gm.horiBearingX / em);
            m.glyphOriginY = static_cast<float>(gm.horiBearingY / em);
            m.cellIncX = static_cast<float>(gm.horiAdvance / em);
            FT_Outline* o = &ft->glyph->outline;
            FT_Outline_Funcs funcs{};
            funcs.move_to = &OutlineBuilder::moveTo;
            funcs.line_to = &OutlineBuilder::lineTo;
            funcs.conic_to = &OutlineBuilder::conicTo;
            funcs.cubic_to = &OutlineBuilder::cubicTo;
            if (FT_Outline_Decompose(o, &funcs, &outline) == 0)
                outline.finish();
            else
                outline.contours.clear();
            fillOnRight = FT_Outline_Get_Orientation(o) != FT_ORIENTATION_POSTSCRIPT;
            evenOdd = (o->flags & FT_OUTLINE_EVEN_ODD_FILL) != 0;
        }
        if (metrics != nullptr) metrics[code] = m;

        gl.newList(listBase + static_cast<std::uint32_t>(code));
        if (!outline.contours.empty()) {
            if (format == OutlineFormat::Lines)
                emitLines(gl, outline.contours);
            else
                emitPolygons(gl, outline.contours, tessellate(outline.contours, evenOdd), depth, fillOnRight);
        }
        gl.translate(m.cellIncX, m.cellIncY, 0.0f);
        gl.endList();
    }
}

}  // namespace platform
