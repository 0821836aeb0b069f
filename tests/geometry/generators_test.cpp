#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/material.h"
#include "geometry/generators.h"
#include "support/message_recorder.h"

namespace {

struct Corner {
    float x, y, z, s, t;
};

Mesh& onlyMesh(MeshNode* node) {
    EXPECT_EQ(node->meshes.size(), 1u);
    return *node->meshes.front();
}

void expectVertex(const MeshVertex& v, const Corner& c, const char* where) {
    SCOPED_TRACE(where);
    EXPECT_FLOAT_EQ(v.position.x, c.x);
    EXPECT_FLOAT_EQ(v.position.y, c.y);
    EXPECT_FLOAT_EQ(v.position.z, c.z);
    EXPECT_FLOAT_EQ(v.texCoord.s, c.s);
    EXPECT_FLOAT_EQ(v.texCoord.t, c.t);
    EXPECT_EQ(v.normal, Vec3());
    EXPECT_EQ(v.color, Color4());
}

std::vector<std::int32_t> storedIndices(const Mesh& m) {
    return std::vector<std::int32_t>(m.indices.begin(), m.indices.begin() + m.indexCount);
}

// The six faces of the box between (x0,y0,z0) and (x1,y1,z1), as the generator must lay
// them out: 4 vertices per face, positions and texture pairs.
std::vector<Corner> boxCorners(float x0, float y0, float z0, float x1, float y1, float z1, float U, float V, float W) {
    return {
        {x0, y1, z0, 0, V}, {x0, y0, z0, 0, 0}, {x1, y1, z0, U, V}, {x1, y0, z0, U, 0},  // -z
        {x1, y1, z0, 0, V}, {x1, y0, z0, 0, 0}, {x1, y1, z1, W, V}, {x1, y0, z1, W, 0},  // +x
        {x1, y1, z1, 0, V}, {x1, y0, z1, 0, 0}, {x0, y1, z1, U, V}, {x0, y0, z1, U, 0},  // +z
        {x0, y1, z1, 0, V}, {x0, y0, z1, 0, 0}, {x0, y1, z0, W, V}, {x0, y0, z0, W, 0},  // -x
        {x0, y1, z1, 0, W}, {x0, y1, z0, 0, 0}, {x1, y1, z1, U, W}, {x1, y1, z0, U, 0},  // +y
        {x0, y0, z0, 0, W}, {x0, y0, z1, 0, 0}, {x1, y0, z0, U, W}, {x1, y0, z1, U, 0},  // -y
    };
}

void expectBox(MeshNode* node, const std::vector<Corner>& corners, Material* material) {
    Mesh& m = onlyMesh(node);
    EXPECT_EQ(m.format, 1);
    EXPECT_EQ(m.vertexCount, 24u);
    EXPECT_EQ(m.vertexCapacity, 24u);
    EXPECT_EQ(m.indexCount, 36u);
    EXPECT_EQ(m.indexCapacity, 36u);
    EXPECT_EQ(m.material, material);
    EXPECT_EQ(m.owner, node);
    for (std::size_t i = 0; i < 24; ++i) expectVertex(m.vertices[i], corners[i], ("vertex " + std::to_string(i)).c_str());
    std::vector<std::int32_t> expected;
    for (std::int32_t b = 0; b < 24; b += 4)
        for (std::int32_t k : {2, 1, 0, 3, 1, 2}) expected.push_back(b + k);
    EXPECT_EQ(storedIndices(m), expected);
}

void expectFreshNode(const MeshNode* node) {
    EXPECT_TRUE(node->visible);
    EXPECT_EQ(node->position, Vec3());
    EXPECT_EQ(node->rotation, Vec3());
    EXPECT_EQ(node->scale, Vec3(1, 1, 1));
    EXPECT_TRUE(node->children.empty());
}

TEST(MakeBox, CornersInAnyOrderGiveTheSameBox) {
    Material material;
    const Vec3 a(1, 2, 3), b(-1, 0, 0);
    const auto expected = boxCorners(-1, 0, 0, 1, 2, 3, 1, 1, 1);
    MeshNode* forward = makeBox(&material, &a, &b, 0.0f);
    expectFreshNode(forward);
    expectBox(forward, expected, &material);
    expectBox(makeBox(&material, &b, &a, 0.0f), expected, &material);
    // Mixed per axis: each axis is sorted on its own.
    const Vec3 c(1, 0, 0), d(-1, 2, 3);
    expectBox(makeBox(&material, &c, &d, 0.0f), expected, &material);
}

TEST(MakeBox, TileSetsTextureRangesPerEdge) {
    Material material;
    const Vec3 a(0, 0, 0), b(4, 2, 1);
    // One repeat per world unit: the front face spans s 0..4, t 0..2; the top s 0..4, t 0..1.
    expectBox(makeBox(&material, &a, &b, 1.0f), boxCorners(0, 0, 0, 4, 2, 1, 4, 2, 1), &material);
    // A tile of 2 halves every range.
    expectBox(makeBox(&material, &a, &b, 2.0f), boxCorners(0, 0, 0, 4, 2, 1, 2, 1, 0.5f), &material);
}

TEST(MakeBox, CentredAndStandingShorthands) {
    Material material;
    const Vec3 size(2, 2, 2);
    expectBox(makeCenteredBox(&material, &size, 0.0f), boxCorners(-1, -1, -1, 1, 1, 1, 1, 1, 1), &material);
    expectBox(makeStandingBox(&material, &size, 0.0f), boxCorners(-1, 0, -1, 1, 2, 1, 1, 1, 1), &material);
    const Vec3 odd(4, 3, 1);
    expectBox(makeStandingBox(&material, odd, 1.0f), boxCorners(-2, 0, -0.5f, 2, 3, 0.5f, 4, 3, 1), &material);
}

TEST(MakeTube, FourSegmentsLaidOutAroundTheAxis) {
    Material material;
    MeshNode* node = makeTube(&material, 1.0f, 2.0f, 4, 1.0f);
    expectFreshNode(node);
    Mesh& m = onlyMesh(node);
    ASSERT_EQ(m.format, 1);
    EXPECT_EQ(m.vertexCount, 16u);
    EXPECT_EQ(m.indexCount, 24u);
    EXPECT_EQ(m.material, &material);

    // Segment i spans angles 90i..90(i+1) degrees; s runs 0, 0.25, ... 1; t is 0 at the
    // top rim and height / repeats = 2 at the bottom rim.
    const float cosA[] = {1, 0, -1, 0, 1}, sinA[] = {0, 1, 0, -1, 0};
    for (int i = 0; i < 4; ++i) {
        const Corner expected[4] = {
            {cosA[i], 2, sinA[i], 0.25f * i, 0},
            {cosA[i], 0, sinA[i], 0.25f * i, 2},
            {cosA[i + 1], 2, sinA[i + 1], 0.25f * (i + 1), 0},
            {cosA[i + 1], 0, sinA[i + 1], 0.25f * (i + 1), 2},
        };
        for (int k = 0; k < 4; ++k) {
            const MeshVertex& v = m.vertices[static_cast<std::size_t>(4 * i + k)];
            SCOPED_TRACE("vertex " + std::to_string(4 * i + k));
            EXPECT_NEAR(v.position.x, expected[k].x, 1e-6);
            EXPECT_FLOAT_EQ(v.position.y, expected[k].y);
            EXPECT_NEAR(v.position.z, expected[k].z, 1e-6);
            EXPECT_FLOAT_EQ(v.texCoord.s, expected[k].s);
            EXPECT_FLOAT_EQ(v.texCoord.t, expected[k].t);
        }
    }
    std::vector<std::int32_t> expected;
    for (std::int32_t b = 0; b < 16; b += 4)
        for (std::int32_t k : {2, 1, 0, 3, 1, 2}) expected.push_back(b + k);
    EXPECT_EQ(storedIndices(m), expected);
}

TEST(MakeTube, WallFacesOutwards) {
    // The first triangle of every segment, seen from outside, turns counter-clockwise:
    // its normal (by the right-hand rule) points away from the axis.
    Material material;
    Mesh& m = onlyMesh(makeTube(&material, 3.0f, 1.0f, 16, 2.0f));
    for (std::uint32_t i = 0; i < m.indexCount; i += 3) {
        const Vec3& p0 = m.vertices[static_cast<std::size_t>(m.indices[i])].position;
        const Vec3& p1 = m.vertices[static_cast<std::size_t>(m.indices[i + 1])].position;
        const Vec3& p2 = m.vertices[static_cast<std::size_t>(m.indices[i + 2])].position;
        const Vec3 e1(p1.x - p0.x, p1.y - p0.y, p1.z - p0.z), e2(p2.x - p0.x, p2.y - p0.y, p2.z - p0.z);
        const Vec3 n(e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x);
        const float cx = (p0.x + p1.x + p2.x) / 3, cz = (p0.z + p1.z + p2.z) / 3;
        EXPECT_GT(n.x * cx + n.z * cz, 0.0f) << "triangle " << i / 3;
    }
}

TEST(MakeTube, NoSegmentsGiveAnEmptyMesh) {
    Material material;
    for (std::int32_t segments : {0, -3}) {
        Mesh& m = onlyMesh(makeTube(&material, 1.0f, 1.0f, segments, 1.0f));
        EXPECT_EQ(m.vertexCapacity, 0u);
        EXPECT_EQ(m.indexCapacity, 0u);
        EXPECT_EQ(m.vertexCount, 0u);
        EXPECT_EQ(m.material, &material);
    }
}

TEST(MakePlane, SquareAroundTheOrigin) {
    Material material;
    MeshNode* node = makePlane(&material, 10.0f, 2.0f);
    expectFreshNode(node);
    Mesh& m = onlyMesh(node);
    ASSERT_EQ(m.vertexCount, 4u);
    expectVertex(m.vertices[0], {-5, 0, -5, 0, 0}, "0");
    expectVertex(m.vertices[1], {-5, 0, 5, 0, 5}, "1");
    expectVertex(m.vertices[2], {5, 0, -5, 5, 0}, "2");
    expectVertex(m.vertices[3], {5, 0, 5, 5, 5}, "3");
    EXPECT_EQ(storedIndices(m), (std::vector<std::int32_t>{0, 1, 2, 2, 1, 3}));
    EXPECT_EQ(m.material, &material);

    Mesh& once = onlyMesh(makePlane(&material, 3.0f, 0.0f));
    expectVertex(once.vertices[3], {1.5f, 0, 1.5f, 1, 1}, "tile 0");
}

// A bottom-up 24-bit BMP with the file header; `red` holds the red byte of each pixel in
// storage order (first stored row first), green and blue are filled with other values so
// that a channel mix-up shows.
std::string writeBmp(const std::string& name, int w, int h, const std::vector<std::uint8_t>& red) {
    const int stride = (w * 3 + 3) & ~3;
    const std::uint32_t dataSize = static_cast<std::uint32_t>(stride * h);
    std::vector<std::uint8_t> f;
    auto u16 = [&f](std::uint32_t v) {
        f.push_back(static_cast<std::uint8_t>(v));
        f.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    auto u32 = [&](std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    f.push_back('B');
    f.push_back('M');
    u32(54 + dataSize);
    u32(0);
    u32(54);
    u32(40);
    u32(static_cast<std::uint32_t>(w));
    u32(static_cast<std::uint32_t>(h));
    u16(1);
    u16(24);
    u32(0);
    u32(dataSize);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    for (int i = 0; i < h; ++i) {
        for (int j = 0; j < w; ++j) {
            f.push_back(200);                                        // blue
            f.push_back(100);                                        // green
            f.push_back(red[static_cast<std::size_t>(i * w + j)]);  // red
        }
        for (int p = w * 3; p < stride; ++p) f.push_back(0);
    }
    const auto path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()),
                                                static_cast<std::streamsize>(f.size()));
    return path;
}

TEST(MakeHeightMap, GridFromThePicturesRedChannel) {
    const std::vector<std::uint8_t> red = {0, 51, 255, 102, 153, 204};
    const std::string path = writeBmp("velastria_heightmap_3x2.bmp", 3, 2, red);
    MessageRecorder messages;
    Material material;
    MeshNode* node = makeHeightMap(&material, path, 30.0f, 0.25f);
    std::remove(path.c_str());
    EXPECT_TRUE(messages.messages.empty());
    expectFreshNode(node);

    Mesh& m = onlyMesh(node);
    ASSERT_EQ(m.format, 2);
    ASSERT_EQ(m.vertexCount, 6u);
    ASSERT_EQ(m.indexCount, 12u);
    EXPECT_EQ(m.material, &material);
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 3; ++j) {
            const MeshVertex2& v = m.vertices2[static_cast<std::size_t>(i * 3 + j)];
            SCOPED_TRACE("pixel " + std::to_string(i) + "," + std::to_string(j));
            EXPECT_FLOAT_EQ(v.position.x, static_cast<float>(j));
            EXPECT_NEAR(v.position.y, 30.0f * red[static_cast<std::size_t>(i * 3 + j)] / 255.0f, 1e-4);
            EXPECT_FLOAT_EQ(v.position.z, static_cast<float>(i));
            EXPECT_FLOAT_EQ(v.texCoord.s, j / 3.0f);
            EXPECT_FLOAT_EQ(v.texCoord.t, i / 2.0f);
            EXPECT_FLOAT_EQ(v.texCoord2.s, j * 0.25f);
            EXPECT_FLOAT_EQ(v.texCoord2.t, i * 0.25f);
        }
    }
    // Byte 255 gives the full height scale.
    EXPECT_NEAR(m.vertices2[2].position.y, 30.0f, 1e-4);
    EXPECT_EQ(storedIndices(m), (std::vector<std::int32_t>{0, 3, 1, 1, 3, 4, 1, 4, 2, 2, 4, 5}));
}

TEST(MakeHeightMap, UnreadablePictureGivesAnEmptyMesh) {
    MessageRecorder messages;
    Material material;
    const auto missing = (std::filesystem::temp_directory_path() / "velastria_no_such_map.bmp").string();
    MeshNode* node = makeHeightMap(&material, missing, 30.0f, 0.25f);
    ASSERT_NE(node, nullptr);
    Mesh& m = onlyMesh(node);
    EXPECT_EQ(m.format, 2);
    EXPECT_EQ(m.vertexCount, 0u);
    EXPECT_EQ(m.indexCount, 0u);
    EXPECT_EQ(m.material, &material);
    // The reader tells the user; the generator adds nothing of its own.
    EXPECT_EQ(messages.messages.size(), 1u);
}

TEST(MakeHeightMap, SingleRowPictureHasVerticesButNoTriangles) {
    const std::string path = writeBmp("velastria_heightmap_4x1.bmp", 4, 1, {10, 20, 30, 40});
    Material material;
    Mesh& m = onlyMesh(makeHeightMap(&material, path, 1.0f, 1.0f));
    std::remove(path.c_str());
    EXPECT_EQ(m.vertexCount, 4u);
    EXPECT_EQ(m.indexCount, 0u);
}

}  // namespace
