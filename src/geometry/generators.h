// Procedural shapes the scenes build their solid geometry from.  Each generator returns a
// new visible MeshNode with the identity transform holding exactly one filled Mesh that
// uses the given material; triangles are counter-clockwise seen from outside (from above
// for the floor and the terrain).
//
// `tile` is the world length over which a texture repeats once along an edge; a tile of 0
// means one repeat per face.
#pragma once

#include <cstdint>
#include <string>

#include "engine/math.h"
#include "geometry/mesh.h"

class Material;

// The axis-aligned box between two corners given in any order: 24 vertices, 36 indices.
MeshNode* makeBox(Material* material, const Vec3* cornerA, const Vec3* cornerB, float tile);
// A box centred on the origin.
MeshNode* makeCenteredBox(Material* material, const Vec3* size, float tile);
// A box centred on the y axis standing on the plane y = 0.
MeshNode* makeStandingBox(Material* material, const Vec3* size, float tile);
// The open wall of a cylinder around the y axis from y = 0 to y = height: one separate
// outward quad per segment; the texture wraps `repeats` times around.
MeshNode* makeTube(Material* material, float radius, float height, std::int32_t segments, float repeats);
// A terrain grid with one vertex per pixel of a BMP, its height read from the red channel;
// two texture pairs: the whole picture over the grid, and a detail texture.
MeshNode* makeHeightMap(Material* material, const std::string& fileName, float heightScale, float detailRepeat);
// A square of side `size` in the plane y = 0, centred on the origin, facing +y.
MeshNode* makePlane(Material* material, float size, float tile);

// Reference forms of the same generators.
inline MeshNode* makeBox(Material* material, const Vec3& a, const Vec3& b, float tile) {
    return makeBox(material, &a, &b, tile);
}
inline MeshNode* makeCenteredBox(Material* material, const Vec3& size, float tile) {
    return makeCenteredBox(material, &size, tile);
}
inline MeshNode* makeStandingBox(Material* material, const Vec3& size, float tile) {
    return makeStandingBox(material, &size, tile);
}
