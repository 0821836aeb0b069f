// The pictures the scenes load: present under their exact names, decodable, power-of-two
// sized, and fit for how each scene uses them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include "content_files.h"
#include "engine/math.h"
#include "support/test_paths.h"

using namespace contenttest;

namespace {

struct Expected {
    const char* name;
    int width, height;
};
// Every file the six scenes load, with the size we paint it at.
const Expected kTextures[] = {
    {"tressoria.bmp", 512, 256}, {"velastria.jpg", 512, 512}, {"mapeado.bn.bmp", 128, 128},
    {"mapeado.jpg", 512, 512},   {"metal4.bmp", 128, 128},    {"water.bmp", 128, 128},
    {"wood.bmp", 256, 256},      {"s_1.jpg", 512, 512},       {"s_2.jpg", 512, 512},
    {"s_3.jpg", 512, 512},       {"s_4.jpg", 512, 512},       {"s_techo.jpg", 512, 512},
    {"star.bmp", 64, 64},        {"flash.bmp", 64, 64},       {"fire.bmp", 64, 64},
    {"glass.bmp", 128, 128},     {"metal.bmp", 128, 128},     {"metal2.bmp", 128, 128},
    {"blue.bmp", 128, 128},      {"black.bmp", 16, 16},       {"estrellas.jpg", 1024, 1024},
    {"vom.jpg", 512, 256},
};

std::string texturePath(const std::string& name) { return std::string(testpaths::demoDir) + "/textures/" + name; }

std::optional<Picture> load(const std::string& name) {
    return name.ends_with(".bmp") ? readBmp24(texturePath(name)) : readJpeg(texturePath(name));
}

bool powerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

float luminance(const std::uint8_t* p) { return 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2]; }

}  // namespace

TEST(Textures, EveryFileTheScenesLoadExistsDecodesAndHasItsSize) {
    for (const Expected& e : kTextures) {
        SCOPED_TRACE(e.name);
        std::string why;
        const std::optional<Picture> p = std::string(e.name).ends_with(".bmp") ? readBmp24(texturePath(e.name), &why)
                                                                                 : readJpeg(texturePath(e.name));
        ASSERT_TRUE(p.has_value()) << why;
        EXPECT_EQ(p->width, e.width);
        EXPECT_EQ(p->height, e.height);
        EXPECT_TRUE(powerOfTwo(p->width) && powerOfTwo(p->height));
        // Rows of width x 3 bytes upload correctly with the default unpack alignment of 4.
        EXPECT_EQ(p->width % 4, 0);
        if (std::string(e.name).ends_with(".jpg")) {
            EXPECT_TRUE(p->baseline);
        }
    }
    // Nothing else in the folder: a stray or misspelt file would be a name no scene loads.
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(testpaths::demoDir) + "/textures"))
        if (entry.path().filename().string()[0] != '.') ++files;
    EXPECT_EQ(files, std::size(kTextures));
}

// Sprites, the logo and the fade texture are drawn with additive or alpha blending through
// the drawing colour: anything not black at a sprite's border would show the quad's edge,
// and anything not black in black.bmp would tint every fade.
TEST(Textures, GlowPicturesFadeToBlackAtTheirBorders) {
    for (const char* name : {"star.bmp", "flash.bmp", "fire.bmp", "vom.jpg"}) {
        SCOPED_TRACE(name);
        const auto p = load(name);
        ASSERT_TRUE(p);
        float brightest = 0, centre = 0;
        for (int x = 0; x < p->width; ++x)
            for (int y : {0, p->height - 1}) brightest = std::max(brightest, luminance(p->at(x, y)));
        for (int y = 0; y < p->height; ++y)
            for (int x : {0, p->width - 1}) brightest = std::max(brightest, luminance(p->at(x, y)));
        for (int y = p->height / 3; y < 2 * p->height / 3; ++y)
            for (int x = p->width / 3; x < 2 * p->width / 3; ++x) centre = std::max(centre, luminance(p->at(x, y)));
        EXPECT_LT(brightest, 6.0f);
        EXPECT_GT(centre, 150.0f);  // and there is a glow in the middle
    }
    const auto black = load("black.bmp");
    ASSERT_TRUE(black);
    EXPECT_TRUE(std::all_of(black->rgb.begin(), black->rgb.end(), [](std::uint8_t v) { return v == 0; }));
}

// The terrain: 128 x 128, grey, with valleys under the water plane (world height 5 = byte 85
// with the scene's scale 30 and offset -5) exactly where the scene needs water: under the
// floating crate and along the path the camera skims at height 6.
TEST(Textures, HeightMapHasWaterWhereTheLandscapeSceneNeedsIt) {
    const auto p = load("mapeado.bn.bmp");
    ASSERT_TRUE(p);
    ASSERT_EQ(p->width, 128);
    ASSERT_EQ(p->height, 128);
    // Terrain row z is stored row z of the file, i.e. picture row 127 - z.
    auto height = [&](int x, int z) { return static_cast<int>(p->at(x, 127 - z)[0]); };
    int below = 0, lowest = 255, highest = 0;
    for (int z = 0; z < 128; ++z)
        for (int x = 0; x < 128; ++x) {
            const std::uint8_t* px = p->at(x, 127 - z);
            ASSERT_TRUE(px[0] == px[1] && px[1] == px[2]);
            below += height(x, z) < 85;
            lowest = std::min(lowest, height(x, z));
            highest = std::max(highest, height(x, z));
        }
    EXPECT_GT(below, 128 * 128 / 10);      // real valleys under water
    EXPECT_LT(below, 128 * 128 / 2);       // but mostly land
    EXPECT_GT(highest - lowest, 150);      // mountains, not a plain
    // The crate floats around world (28, -12) +- (1, 1.2): terrain (91.5, 51.5).
    for (int z = 49; z <= 54; ++z)
        for (int x = 89; x <= 94; ++x) EXPECT_LT(height(x, z), 75) << x << "," << z;
    // Order 4 flies at world height 6 along z = -26 from x = -35 to -5: terrain row 37.5.
    for (int z = 37; z <= 38; ++z)
        for (int x = 28; x <= 59; ++x) EXPECT_LT(height(x, z), 80) << x << "," << z;
    // Orders 3 and 6 hover at height 15 (+-5) around world (25, -6): below byte 170 there.
    for (int z = 52; z <= 63; ++z)
        for (int x = 83; x <= 94; ++x) EXPECT_LT(height(x, z), 170) << x << "," << z;
}

// The colour map is stretched over the same grid with t = z / 128 and no flip (a JPEG's first
// row is t = 0), so its underwater parts must lie over the height map's valleys.
TEST(Textures, ColourMapLinesUpWithTheHeightMap) {
    const auto h = load("mapeado.bn.bmp");
    const auto c = load("mapeado.jpg");
    ASSERT_TRUE(h && c);
    double wetSum = 0, drySum = 0, wetBlue = 0;
    int wet = 0, dry = 0;
    for (int z = 0; z < 128; ++z)
        for (int x = 0; x < 128; ++x) {
            const int v = h->at(x, 127 - z)[0];
            const std::uint8_t* px = c->at(x * 4 + 2, z * 4 + 2);
            if (v < 70) {
                wetSum += luminance(px), wetBlue += px[2] - px[0], ++wet;
            } else if (v > 100 && v < 150) {
                drySum += luminance(px), ++dry;
            }
        }
    ASSERT_GT(wet, 100);
    ASSERT_GT(dry, 100);
    EXPECT_LT(wetSum / wet + 25, drySum / dry);  // the lake bed is clearly darker than the meadows
    EXPECT_GT(wetBlue / wet, 0.0);               // and bluish
}

// The five sky planes, placed as the landscape scene places them, meet without seams: texels
// on either side of every shared edge have nearly the same colour.
TEST(Textures, SkyBoxFacesMeetWithoutSeams) {
    struct Face {
        const char* name;
        Vec3 rotate, translate;
    };
    const Face faces[] = {{"s_1.jpg", Vec3(90, 0, 90), Vec3(-5, 0, 0)},
                          {"s_2.jpg", Vec3(90, 0, 0), Vec3(0, 0, 5)},
                          {"s_3.jpg", Vec3(90, 0, -90), Vec3(5, 0, 0)},
                          {"s_4.jpg", Vec3(90, 0, 180), Vec3(0, 0, -5)},
                          {"s_techo.jpg", Vec3(0, 0, 180), Vec3(0, 5, 0)}};
    struct EdgeTexel {
        float x, y, z;
        const std::uint8_t* colour;
        int face;
    };
    std::vector<Picture> pictures;
    std::vector<EdgeTexel> texels;
    for (int f = 0; f < 5; ++f) {
        auto p = readJpeg(texturePath(faces[f].name));
        ASSERT_TRUE(p) << faces[f].name;
        pictures.push_back(std::move(*p));
    }
    for (int f = 0; f < 5; ++f) {
        const Picture& p = pictures[static_cast<std::size_t>(f)];
        const Matrix4 m = Matrix4::multiply(Matrix4::rotationXYZ(faces[f].rotate), Matrix4::translation(faces[f].translate));
        const int n = p.width;
        for (int i = 0; i < n; ++i)
            for (int side = 0; side < 4; ++side) {
                // Edge texels: column or row 0 or n - 1; texture row r is t = (r + 0.5) / n.
                const int col = side == 0 ? 0 : side == 1 ? n - 1 : i;
                const int row = side == 2 ? 0 : side == 3 ? n - 1 : i;
                const float s = (col + 0.5f) / n, t = (row + 0.5f) / n;
                const float px = -5 + 10 * s, pz = -5 + 10 * t;
                texels.push_back({m[0] * px + m[8] * pz + m[12], m[1] * px + m[9] * pz + m[13],
                                  m[2] * px + m[10] * pz + m[14], p.at(col, row), f});
            }
    }
    // Sort on x so matching only scans a thin slab.
    std::sort(texels.begin(), texels.end(), [](const EdgeTexel& a, const EdgeTexel& b) { return a.x < b.x; });
    const float reach = 0.03f;  // a texel is 10 / 512 = 0.0195 units wide
    int pairs = 0;
    double diff = 0;
    int worst = 0;
    std::map<std::pair<int, int>, int> facePairs;
    for (std::size_t i = 0; i < texels.size(); ++i) {
        for (std::size_t j = i + 1; j < texels.size() && texels[j].x - texels[i].x < reach; ++j) {
            const EdgeTexel &a = texels[i], &b = texels[j];
            if (a.face == b.face) continue;
            if (std::fabs(a.y - b.y) > reach || std::fabs(a.z - b.z) > reach) continue;
            int d = 0;
            for (int k = 0; k < 3; ++k) d = std::max(d, std::abs(a.colour[k] - b.colour[k]));
            diff += d;
            worst = std::max(worst, d);
            ++pairs;
            ++facePairs[{std::min(a.face, b.face), std::max(a.face, b.face)}];
        }
    }
    // Four vertical edges between the walls and four between the walls and the ceiling.
    EXPECT_EQ(facePairs.size(), 8u);
    ASSERT_GT(pairs, 8 * 400);
    EXPECT_LT(diff / pairs, 4.0);
    EXPECT_LT(worst, 40);
}

// The title card's plane shows a texture's first row at the bottom of the screen, so the
// JPEG is stored upside down.  The lettering is lit white from above and gold from below on
// screen, so in the file its gold part must lie above its white part.
TEST(Textures, TitleCardIsStoredUpsideDownForItsPlane) {
    const auto p = load("velastria.jpg");
    ASSERT_TRUE(p);
    double warmRows = 0, coolRows = 0;
    int warm = 0, cool = 0;
    for (int y = p->height / 4; y < 3 * p->height / 4; ++y)
        for (int x = p->width / 5; x < 4 * p->width / 5; ++x) {
            const std::uint8_t* c = p->at(x, y);
            if (luminance(c) > 150 && c[0] - c[2] > 60) warmRows += y, ++warm;
            if (luminance(c) > 200 && c[2] >= c[0]) coolRows += y, ++cool;
        }
    ASSERT_GT(warm, 500);
    ASSERT_GT(cool, 500);
    EXPECT_LT(warmRows / warm + 10, coolRows / cool);
}
