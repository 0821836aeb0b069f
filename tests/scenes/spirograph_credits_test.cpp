#include <string>
#include <vector>

#include "engine/text_node.h"
#include "geometry/controllers.h"
#include "geometry/mesh.h"
#include "geometry/particles.h"
#include "scenes/credits_scene.h"
#include "scenes/credits_text.h"
#include "scenes/spirograph_scene.h"
#include "scene_fixture.h"

namespace {

using SpirographSceneTest = SceneTest;
using CreditsSceneTest = SceneTest;

void expectCurve(const CurveEmitter* e, float R, float r, float d) {
    EXPECT_FLOAT_EQ(e->R, R);
    EXPECT_FLOAT_EQ(e->r, r);
    EXPECT_FLOAT_EQ(e->d, d);
}

TEST_F(SpirographSceneTest, NewCurveAndEmptyPoolOnEveryFrameOfRowZeroOfOrdersSixteenToEighteen) {
    auto* spiro = enterAt<SpirographScene>(15, 0);
    ParticleSystem* pool = spiro->curveSystem;
    // The scene's own first row 0 neither changes the curve nor clears the pool.
    steps(20, 15, 0);
    expectCurve(spiro->curveEmitter, 5, 6, 5);
    EXPECT_GT(pool->liveCount, 100);  // 0.42 s at 320 particles per second
    steps(30, 15, 10);
    const std::int32_t grown = pool->liveCount;
    EXPECT_GT(grown, 250);

    // Each frame of row 0 clears the pool; only what that frame's update drops survives.
    const std::int32_t perFrame = 10;  // 0.02 s x 160 drops per second x 2, rounded up
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(step(16, 0));
        EXPECT_LE(pool->liveCount, perFrame) << "frame " << i;
    }
    expectCurve(spiro->curveEmitter, 5, 6, 7);
    steps(10, 16, 1);
    EXPECT_GT(pool->liveCount, 3 * perFrame);  // drawing again from row 1

    ASSERT_TRUE(step(17, 0));
    EXPECT_LE(pool->liveCount, perFrame);
    expectCurve(spiro->curveEmitter, 6, 2, 7);  // d stays what order 16 set
    steps(10, 17, 5);
    ASSERT_TRUE(step(18, 0));
    EXPECT_LE(pool->liveCount, perFrame);
    expectCurve(spiro->curveEmitter, 7, 6, 7);

    // Row 0 of an order outside 16-18 does neither.
    steps(10, 18, 5);
    const std::int32_t before = pool->liveCount;
    ASSERT_TRUE(step(14, 0));
    EXPECT_GE(pool->liveCount, before - 2);
    expectCurve(spiro->curveEmitter, 7, 6, 7);
}

TEST_F(SpirographSceneTest, ColourFollowsOrderAndRowAndIsLeftAloneElsewhere) {
    struct Expected {
        std::int32_t order, row;
        float r, g, b;
    };
    const Expected table[] = {
        {15, 0, 1, 1, 1},  {15, 31, 1, 1, 1},  {15, 32, 1, 0.1f, 0.1f},  {16, 5, 1, 1, 1},
        {16, 32, 0.1f, 0.3f, 0.9f}, {17, 31, 1, 1, 1}, {17, 63, 1, 0.1f, 1}, {18, 0, 0, 1, 1},
        {18, 31, 0, 1, 1}, {18, 32, 1, 1, 0.3f},
    };
    auto* spiro = enterAt<SpirographScene>(15, 10);
    for (const Expected& e : table) {
        ASSERT_TRUE(step(e.order, e.row));
        const Color4& c = spiro->flashMaterial->color;
        SCOPED_TRACE(std::to_string(e.order) + "/" + std::to_string(e.row));
        EXPECT_FLOAT_EQ(c.r, e.r);
        EXPECT_FLOAT_EQ(c.g, e.g);
        EXPECT_FLOAT_EQ(c.b, e.b);
        EXPECT_FLOAT_EQ(c.a, 0.3f);
    }
    spiro->flashMaterial->color = Color4(0.2f, 0.4f, 0.6f, 0.8f);
    ASSERT_TRUE(step(14, 40));
    EXPECT_FLOAT_EQ(spiro->flashMaterial->color.g, 0.4f);
    EXPECT_FLOAT_EQ(spiro->flashMaterial->color.a, 0.8f);
}

TEST_F(SpirographSceneTest, FadesOnlyAtThePatternEdgesAndDrawsTheCurveFromAbove) {
    auto* spiro = enterAt<SpirographScene>(15, 0);
    Material* fade = spiro->fadeMaterial;
    EXPECT_FLOAT_EQ(fade->color.a, 0.96f);
    steps(23, 15, 3);
    EXPECT_NEAR(fade->color.a, 0.04f, 1e-4f);
    steps(10, 15, 4);  // rows 4-59 leave it where it is
    EXPECT_NEAR(fade->color.a, 0.04f, 1e-4f);
    steps(50, 15, 30);
    EXPECT_NEAR(fade->color.a, 0.04f, 1e-4f);
    EXPECT_GT(brightness(), 3.0);  // the curve is seen from above
    steps(5, 15, 60);
    EXPECT_NEAR(fade->color.a, 0.24f, 1e-4f);

    paintMarker();
    ASSERT_TRUE(step(19, 0));
    EXPECT_EQ(demo->pendingScene, spiro->next);
    EXPECT_TRUE(markerIntact());
}

std::vector<TextNode*> lines(World* world) {
    std::vector<TextNode*> out;
    for (Node* child : world->root->children)
        if (auto* text = dynamic_cast<TextNode*>(child)) out.push_back(text);
    return out;
}
std::vector<MeshNode*> meshes(World* world) {
    std::vector<MeshNode*> out;
    for (Node* child : world->root->children)
        if (auto* mesh = dynamic_cast<MeshNode*>(child)) out.push_back(mesh);
    return out;
}

TEST_F(CreditsSceneTest, FirstLineOnTheFirstFrameThenOneLinePerMultipleOfSevenRow) {
    auto* credits = enterAt<CreditsScene>(19, 0);
    auto shown = lines(demo->world.get());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_STREQ(shown[0]->drawable.text, "velastria");
    // Placed at the start point, then moved up by its first frame.
    expectVec(shown[0]->position, 1.5f, -5.5f + 0.5f * 0.02f, -8);
    expectVec(shown[0]->scale, 0.4f, 0.4f, 0.4f);

    steps(5, 19, 0);  // row 0 lasting several frames
    EXPECT_EQ(lines(demo->world.get()).size(), 1u);
    for (std::int32_t r = 1; r <= 6; ++r) ASSERT_TRUE(step(19, r));
    EXPECT_EQ(lines(demo->world.get()).size(), 1u);
    steps(4, 19, 7);
    EXPECT_EQ(lines(demo->world.get()).size(), 2u);
    // Only a row of remainder 1 re-arms: after rows 7 and 9, row 14 spawns nothing.
    ASSERT_TRUE(step(19, 9));
    ASSERT_TRUE(step(19, 14));
    EXPECT_EQ(lines(demo->world.get()).size(), 2u);
    ASSERT_TRUE(step(19, 15));
    ASSERT_TRUE(step(19, 21));
    EXPECT_EQ(lines(demo->world.get()).size(), 3u);
    EXPECT_EQ(credits->nextLine, 3);

    // All lines share one mover: they rise together at 0.5 per second.
    shown = lines(demo->world.get());
    const float gap = shown[0]->position.y - shown[1]->position.y;
    steps(50, 19, 22);
    EXPECT_NEAR(shown[0]->position.y - shown[1]->position.y, gap, 1e-4f);
    EXPECT_NEAR(shown[2]->position.y, -5.5f + 0.5f * 51 * 0.02f, 1e-3f);
}

TEST_F(CreditsSceneTest, RowZeroAfterRowSixtyThreeSpawnsNothing) {
    auto* credits = enterAt<CreditsScene>(19, 0);
    for (std::int32_t r = 1; r < 64; ++r) ASSERT_TRUE(step(19, r));
    EXPECT_EQ(credits->nextLine, 10);  // rows 0, 7, ..., 63
    for (std::int32_t r = 0; r < 64; ++r) ASSERT_TRUE(step(20, r));
    EXPECT_EQ(credits->nextLine, 19);  // row 0 came right after row 63
}

TEST_F(CreditsSceneTest, RollsTheWholeTableWithTheLogoAfterLineFortyThreeAndNoMore) {
    auto* credits = enterAt<CreditsScene>(19, 0);
    std::int32_t o = 19;
    // One frame per row 0, 1, 7, 8, ... spawns a line every time.
    while (credits->nextLine < 43) {
        ASSERT_TRUE(step(o, 1));
        ASSERT_TRUE(step(o, 7));
        ASSERT_TRUE(step(o, 8));
        ASSERT_TRUE(step(o, 0));
    }
    EXPECT_TRUE(meshes(demo->world.get()).empty());
    ASSERT_TRUE(step(o, 1));
    ASSERT_TRUE(step(o, 7));
    ASSERT_EQ(credits->nextLine, 44);
    auto logos = meshes(demo->world.get());
    ASSERT_EQ(logos.size(), 1u);
    EXPECT_EQ(demo->world->root->children.back(), logos[0]);  // right after line 43
    EXPECT_STREQ(lines(demo->world.get()).back()->drawable.text, " ");
    expectVec(logos[0]->position, 1.5f, -5.5f + 0.5f * 0.02f, -8);
    expectVec(logos[0]->rotation, 90, 0, 0);
    expectVec(logos[0]->scale, 0.8f, 1, -0.33f);

    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(step(o, 1));
        ASSERT_TRUE(step(o, 7));
    }
    EXPECT_EQ(credits->nextLine, 53);
    const auto shown = lines(demo->world.get());
    ASSERT_EQ(shown.size(), 53u);
    EXPECT_EQ(meshes(demo->world.get()).size(), 1u);

    const std::pair<int, const char*> fixed[] = {
        {0, "velastria"},          {1, " una demo por Vom "},    {2, " "},
        {3, "presentada en:"},     {4, "tressoria '04"},         {5, " "},
        {6, " "},                  {8, "(gfx)"},                 {9, " "},
        {11, "(code, gfx)"},       {12, " "},                    {14, "(code, msx)"},
        {15, " "},                 {16, " "},                    {17, "dedicada a Vom"},
        {18, " "},                 {19, " "},                    {20, "nuestros mas sinceros"},
        {21, "agradecimientos para:"}, {47, "saludos a todos los"}, {48, "asistentes a la party!"},
        {49, " "},                 {50, "v e l a s t r i a"},    {51, " "},
        {52, " "},
    };
    for (const auto& [i, text] : fixed) EXPECT_STREQ(shown[static_cast<std::size_t>(i)]->drawable.text, text) << i;
    for (int i = 41; i <= 46; ++i) EXPECT_STREQ(shown[static_cast<std::size_t>(i)]->drawable.text, " ") << i;
    for (int i : {7, 10, 13}) EXPECT_STREQ(shown[static_cast<std::size_t>(i)]->drawable.text, credits::kMembers[static_cast<std::size_t>((i - 7) / 3)]);
    for (int i = 22; i <= 40; ++i) {
        const std::string name = shown[static_cast<std::size_t>(i)]->drawable.text;
        EXPECT_EQ(name, credits::kGreetings[static_cast<std::size_t>(i - 22)]);
        EXPECT_NE(name.find_first_not_of(' '), std::string::npos) << i;
    }
}

TEST_F(CreditsSceneTest, FadeRuleAndTheLastFrameDrawsThenEndsTheProgram) {
    auto* credits = enterAt<CreditsScene>(19, 0);
    Material* fade = credits->fadeMaterial;
    EXPECT_FLOAT_EQ(fade->color.a, 1.0f - 0.6f * 0.02f);
    // A frame of 0.2 s or more leaves the fade where it is.
    ASSERT_TRUE(step(19, 1, 250));
    EXPECT_FLOAT_EQ(fade->color.a, 1.0f - 0.6f * 0.02f);
    ASSERT_TRUE(step(19, 16));
    EXPECT_FLOAT_EQ(fade->color.a, 0.0f);
    ASSERT_TRUE(step(19, 15));
    EXPECT_FLOAT_EQ(fade->color.a, -0.6f * 0.02f);  // runs below 0: no visible change

    // Seven seconds in, the first lines have risen into view beside the fire.
    steps(350, 19, 20);
    EXPECT_GT(brightness(), 2.0);

    ASSERT_TRUE(step(27, 30));
    paintMarker();
    EXPECT_FALSE(step(28, 0));
    EXPECT_FALSE(markerIntact());  // the final pass still drew its picture
    EXPECT_GT(brightness(), 2.0);
}

}  // namespace
