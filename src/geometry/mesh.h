// Solid geometry: fixed-capacity stores of vertices and triangle indices drawn with one
// material, and the scene-graph node that carries them.  Small meshes go vertex by vertex
// in immediate mode; large ones (the terrain) mostly as one indexed vertex array, which
// spares a GL emulated over WebGL a script call per vertex and attribute.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/display.h"
#include "engine/math.h"

class Material;

// One vertex with a single texture coordinate pair.  Normal and colour are part of the
// record but never sent to OpenGL: the colour comes from the material alone.
struct MeshVertex {
    MeshVertex() = default;
    MeshVertex(const Vec3& p, const Vec2& uv) : position(p), texCoord(uv) {}

    Vec3 position;
    Vec3 normal;
    Color4 color;
    Vec2 texCoord;
};

// A vertex with a second texture coordinate pair for texture unit 1.
struct MeshVertex2 {
    MeshVertex2() = default;
    MeshVertex2(const Vec3& p, const Vec2& uv, const Vec2& uv2) : position(p), texCoord(uv), texCoord2(uv2) {}

    Vec3 position;
    Vec3 normal;
    Color4 color;
    Vec2 texCoord;
    Vec2 texCoord2;
};

class Mesh final : public Drawable {
public:
    // format 1 stores MeshVertex, 2 MeshVertex2 (any other value allocates the MeshVertex2
    // store but accepts no vertices).  All storage is allocated here at its final size;
    // adding never reallocates.
    Mesh(std::int32_t format, std::uint32_t vertexCapacity, std::uint32_t indexCapacity);
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    ~Mesh() = default;

    // Each add is dropped silently when the store is full or the vertex is of the
    // other format.
    void addVertex(const MeshVertex& v);
    void addVertex2(const MeshVertex2& v);
    void addIndex(std::int32_t index);

    void draw(RenderList* list) override;

    std::uint32_t vertexCount = 0;
    std::uint32_t indexCount = 0;
    const std::uint32_t vertexCapacity;
    const std::uint32_t indexCapacity;
    const std::int32_t format;
    Material* material = nullptr;
    std::vector<MeshVertex> vertices;    // format 1 only
    std::vector<MeshVertex2> vertices2;  // every other format
    std::vector<std::int32_t> indices;

private:
    // What a large mesh hands to OpenGL as arrays, packed at its first draw after the
    // stores grew (a filled mesh never changes): position, first and (format 2) second
    // texture coordinates per vertex, and the valid indices as 16-bit numbers.
    struct Packed {
        std::uint32_t vertexCount = 0, indexCount = 0;  // the counts it was packed from
        std::vector<float> vertices;
        std::vector<std::uint16_t> indices;  // all but the last whole triangle
        std::uint32_t tail = 0;              // where in `indices` the rest starts
    };
    // Draws all but the last triangle from arrays; returns the position in `indices`
    // from which immediate mode goes on.
    std::uint32_t drawArrays(Display* display);

    Packed packed;
};

class MeshNode : public Node {
public:
    void update(Timer* timer) override { standardUpdate(timer); }
    void collect(RenderList* list) override;

    // The node owns the mesh from here on and places it with its world matrix.
    void addMesh(Mesh* mesh);

    std::vector<std::unique_ptr<Mesh>> meshes;
};
