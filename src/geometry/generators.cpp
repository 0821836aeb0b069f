#include "geometry/generators.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "resources/dib.h"

namespace {

const Vec3 kOrigin;

const Vec3& orOrigin(const Vec3* v) { return v ? *v : kOrigin; }

// Wraps the last steps every generator shares: material, then hand the mesh to a node.
MeshNode* finish(MeshNode* node, Mesh* mesh, Material* material) {
    mesh->material = material;
    node->addMesh(mesh);
    return node;
}

void addQuadIndices(Mesh* mesh, std::int32_t b) {
    mesh->addIndex(b + 2);
    mesh->addIndex(b + 1);
    mesh->addIndex(b);
    mesh->addIndex(b + 3);
    mesh->addIndex(b + 1);
    mesh->addIndex(b + 2);
}

}  // namespace

MeshNode* makeBox(Material* material, const Vec3* cornerA, const Vec3* cornerB, float tile) {
    const Vec3& a = orOrigin(cornerA);
    const Vec3& b = orOrigin(cornerB);
    const float x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x);
    const float y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
    const float z0 = std::min(a.z, b.z), z1 = std::max(a.z, b.z);

    float U = 1.0f, V = 1.0f, W = 1.0f;
    if (tile != 0.0f) {
        U = (x1 - x0) / tile;
        V = (y1 - y0) / tile;
        W = (z1 - z0) / tile;
    }

    auto* node = new MeshNode;
    auto* mesh = new Mesh(1, 24, 36);
    auto vertex = [mesh](float x, float y, float z, float s, float t) {
        mesh->addVertex(MeshVertex(Vec3(x, y, z), Vec2(s, t)));
    };
    const float zero = 0.0f;

    // -z
    vertex(x0, y1, z0, zero, V);
    vertex(x0, y0, z0, zero, zero);
    vertex(x1, y1, z0, U, V);
    vertex(x1, y0, z0, U, zero);
    // +x
    vertex(x1, y1, z0, zero, V);
    vertex(x1, y0, z0, zero, zero);
    vertex(x1, y1, z1, W, V);
    vertex(x1, y0, z1, W, zero);
    // +z
    vertex(x1, y1, z1, zero, V);
    vertex(x1, y0, z1, zero, zero);
    vertex(x0, y1, z1, U, V);
    vertex(x0, y0, z1, U, zero);
    // -x
    vertex(x0, y1, z1, zero, V);
    vertex(x0, y0, z1, zero, zero);
    vertex(x0, y1, z0, W, V);
    vertex(x0, y0, z0, W, zero);
    // +y
    vertex(x0, y1, z1, zero, W);
    vertex(x0, y1, z0, zero, zero);
    vertex(x1, y1, z1, U, W);
    vertex(x1, y1, z0, U, zero);
    // -y
    vertex(x0, y0, z0, zero, W);
    vertex(x0, y0, z1, zero, zero);
    vertex(x1, y0, z0, U, W);
    vertex(x1, y0, z1, U, zero);

    for (std::int32_t face = 0; face < 6; ++face) addQuadIndices(mesh, 4 * face);
    return finish(node, mesh, material);
}

MeshNode* makeCenteredBox(Material* material, const Vec3* size, float tile) {
    const Vec3& s = orOrigin(size);
    const Vec3 a(-s.x / 2, -s.y / 2, -s.z / 2);
    const Vec3 b(s.x / 2, s.y / 2, s.z / 2);
    return makeBox(material, &a, &b, tile);
}

MeshNode* makeStandingBox(Material* material, const Vec3* size, float tile) {
    const Vec3& s = orOrigin(size);
    const float ground = 0.0f;
    const Vec3 a(-s.x / 2, ground, -s.z / 2);
    const Vec3 b(s.x / 2, s.y, s.z / 2);
    return makeBox(material, &a, &b, tile);
}

MeshNode* makeTube(Material* material, float radius, float height, std::int32_t segments, float repeats) {
    auto* node = new MeshNode;
    // A tube of no segments (or a negative count) is an empty mesh rather than a
    // division by zero and a wrapped-around capacity.
    const std::int32_t n = std::clamp<std::int32_t>(segments, 0, std::numeric_limits<std::int32_t>::max() / 6);
    auto* mesh = new Mesh(1, 4u * static_cast<std::uint32_t>(n), 6u * static_cast<std::uint32_t>(n));
    if (n > 0) {
        const float angleStep = 360.0f / static_cast<float>(n);
        const float sStep = repeats / static_cast<float>(n);
        const float bottomT = height / repeats;
        const float top = height, bottom = 0.0f, zeroT = 0.0f;
        float a = 0.0f;
        float s = 0.0f;
        for (std::int32_t i = 0; i < n; ++i) {
            const float a2 = a + angleStep;
            const float s2 = s + sStep;
            const float c = std::cos(a * DEG_TO_RAD), sn = std::sin(a * DEG_TO_RAD);
            const float c2 = std::cos(a2 * DEG_TO_RAD), sn2 = std::sin(a2 * DEG_TO_RAD);
            mesh->addVertex(MeshVertex(Vec3(radius * c, top, radius * sn), Vec2(s, zeroT)));
            mesh->addVertex(MeshVertex(Vec3(radius * c, bottom, radius * sn), Vec2(s, bottomT)));
            mesh->addVertex(MeshVertex(Vec3(radius * c2, top, radius * sn2), Vec2(s2, zeroT)));
            mesh->addVertex(MeshVertex(Vec3(radius * c2, bottom, radius * sn2), Vec2(s2, bottomT)));
            a = a2;
            s = s2;
        }
        for (std::int32_t i = 0; i < n; ++i) addQuadIndices(mesh, 4 * i);
    }
    return finish(node, mesh, material);
}

MeshNode* makeHeightMap(Material* material, const std::string& fileName, float heightScale, float detailRepeat) {
    const std::unique_ptr<RgbImage> image = loadDib(fileName);

    auto* node = new MeshNode;
    std::uint64_t w = 0, h = 0;
    if (image && image->pixels && image->width > 0 && image->height > 0) {
        w = static_cast<std::uint64_t>(image->width);
        h = static_cast<std::uint64_t>(image->height);
    }
    // A picture that does not load (the reader has already said why) gives a node with an
    // empty mesh: the scene keeps working, only without its terrain.  So does a grid too
    // large for 32-bit vertex numbers.
    const std::uint64_t vertexTotal = w * h;
    const std::uint64_t indexTotal = (w > 0 && h > 0) ? 6 * (w - 1) * (h - 1) : 0;
    if (vertexTotal > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) ||
        indexTotal > std::numeric_limits<std::uint32_t>::max()) {
        w = h = 0;
    }
    auto* mesh = new Mesh(2, static_cast<std::uint32_t>(w * h),
                          (w > 0 && h > 0) ? static_cast<std::uint32_t>(6 * (w - 1) * (h - 1)) : 0u);

    const float fw = static_cast<float>(w), fh = static_cast<float>(h);
    const std::uint8_t* pixels = image ? image->pixels.get() : nullptr;
    for (std::uint64_t i = 0; i < h; ++i) {
        for (std::uint64_t j = 0; j < w; ++j) {
            const float value = pixels[(i * w + j) * 3];
            const float fi = static_cast<float>(i), fj = static_cast<float>(j);
            mesh->addVertex2(MeshVertex2(Vec3(fj, heightScale * value * 0.003921569f, fi), Vec2(fj / fw, fi / fh),
                                         Vec2(fj * detailRepeat, fi * detailRepeat)));
        }
    }
    const auto iw = static_cast<std::int32_t>(w);
    for (std::int32_t i = 0; i + 1 < static_cast<std::int32_t>(h); ++i) {
        for (std::int32_t j = 0; j + 1 < iw; ++j) {
            const std::int32_t n = i * iw + j;
            mesh->addIndex(n);
            mesh->addIndex(n + iw);
            mesh->addIndex(n + 1);
            mesh->addIndex(n + 1);
            mesh->addIndex(n + iw);
            mesh->addIndex(n + iw + 1);
        }
    }
    return finish(node, mesh, material);
}

MeshNode* makePlane(Material* material, float size, float tile) {
    const float lo = -size / 2, hi = size / 2;
    const float R = (tile == 0.0f) ? 1.0f : (hi - lo) / tile;
    const float zero = 0.0f;

    auto* node = new MeshNode;
    auto* mesh = new Mesh(1, 4, 6);
    mesh->addVertex(MeshVertex(Vec3(lo, zero, lo), Vec2(zero, zero)));
    mesh->addVertex(MeshVertex(Vec3(lo, zero, hi), Vec2(zero, R)));
    mesh->addVertex(MeshVertex(Vec3(hi, zero, lo), Vec2(R, zero)));
    mesh->addVertex(MeshVertex(Vec3(hi, zero, hi), Vec2(R, R)));
    for (std::int32_t i : {0, 1, 2, 2, 1, 3}) mesh->addIndex(i);
    return finish(node, mesh, material);
}
