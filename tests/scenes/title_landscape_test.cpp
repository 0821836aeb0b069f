#include "geometry/controllers.h"
#include "geometry/mesh.h"
#include "scenes/landscape_scene.h"
#include "scenes/starfield_scene.h"
#include "scenes/title_scene.h"
#include "scene_fixture.h"

namespace {

using TitleSceneTest = SceneTest;
using LandscapeSceneTest = SceneTest;

// Share of the picture's top fifth that is not black: the party card (far, flat) leaves it
// empty, the title card (near, tall) fills it.
double topBandCoverage(const std::vector<std::uint8_t>& rgb, int w, int h) {
    int lit = 0;
    const int rows = h / 5;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)) * 3;
            if (rgb[i] + rgb[i + 1] + rgb[i + 2] > 30) ++lit;
        }
    return static_cast<double>(lit) / (rows * w);
}

TEST_F(TitleSceneTest, StartsBlackThenShowsThePartyCardThenTheTitleCard) {
    auto* title = enterAt<TitleScene>(0, 0);
    // Fade alpha starts at 1 and the first frame only takes 2 dt off it.
    EXPECT_FLOAT_EQ(title->fadeMaterial->color.a, 1.0f - 2.0f * 0.02f);
    EXPECT_TRUE(title->partyCard->visible);
    EXPECT_FALSE(title->titleCard->visible);  // built visible, hidden by the very first frame
    EXPECT_LT(brightness(), 1.0);

    ASSERT_TRUE(step(0, 4));
    EXPECT_FLOAT_EQ(title->fadeMaterial->color.a, 0.0f);
    EXPECT_GT(brightness(), 5.0);
    EXPECT_LT(topBandCoverage(gl.readPixels(), W, H), 0.05);

    ASSERT_TRUE(step(1, 4));
    EXPECT_FALSE(title->partyCard->visible);
    EXPECT_TRUE(title->titleCard->visible);
    EXPECT_GT(topBandCoverage(gl.readPixels(), W, H), 0.5);

    // Orders the scene has no rule for leave the cards as they are.
    ASSERT_TRUE(step(3, 10));
    EXPECT_FALSE(title->partyCard->visible);
    EXPECT_TRUE(title->titleCard->visible);
}

TEST_F(TitleSceneTest, HandsOverOnlyAtOrderTwoExactlyAndDrawsNothingThen) {
    auto* title = enterAt<TitleScene>(0, 10);
    ASSERT_NE(title->next, nullptr);
    // Only the constructor of the successor has run: nothing of it is in the world yet.
    EXPECT_EQ(title->next->camera, nullptr);
    const auto titleNodes = demo->world->root->children;

    for (std::int32_t o : {3, 5, 7, 28}) {
        ASSERT_TRUE(step(o, 10));
        EXPECT_EQ(demo->pendingScene, nullptr) << "order " << o;
        EXPECT_EQ(demo->currentScene, title);
    }

    paintMarker();
    ASSERT_TRUE(step(2, 0));
    EXPECT_EQ(demo->pendingScene, title->next);
    EXPECT_TRUE(markerIntact());  // no render on the hand-over pass
    EXPECT_EQ(demo->world->root->children, titleNodes);

    ASSERT_TRUE(step(2, 1));
    EXPECT_EQ(demo->currentScene, title->next);
    EXPECT_NE(demo->world->root->children, titleNodes);  // the landscape reset the world
    EXPECT_EQ(demo->world->camera(), title->next->camera);
}

TEST_F(TitleSceneTest, FadeOutRunsPastOneAndTheNextFadeInStartsFromThere) {
    auto* title = enterAt<TitleScene>(0, 30);
    Material* fade = title->fadeMaterial;
    EXPECT_FLOAT_EQ(fade->color.a, 0.0f);
    steps(40, 0, 60);  // 0.8 s at the pattern end: +1.6, not clamped at 1
    EXPECT_NEAR(fade->color.a, 1.6f, 1e-4f);
    ASSERT_TRUE(step(1, 0));
    EXPECT_NEAR(fade->color.a, 1.56f, 1e-4f);
    EXPECT_LT(brightness(), 3.0);  // still black: the fade-in starts above 1
    steps(29, 1, 1);  // 0.58 s more at -2 per second
    EXPECT_NEAR(fade->color.a, 0.4f, 1e-4f);
    EXPECT_GT(brightness(), 3.0);
    ASSERT_TRUE(step(1, 59));
    EXPECT_FLOAT_EQ(fade->color.a, 0.0f);
}

struct CameraSetUp {
    std::int32_t order;
    Vec3 rotation, centre, phase, frequency, amplitude;
};

void expectCamera(const LandscapeScene* s, const CameraSetUp& c) {
    SCOPED_TRACE("order " + std::to_string(c.order));
    expectVec(s->camera->rotation, c.rotation.x, c.rotation.y, c.rotation.z);
    expectVec(s->cameraPath->centre, c.centre.x, c.centre.y, c.centre.z);
    expectVec(s->cameraPath->phase, c.phase.x, c.phase.y, c.phase.z);
    expectVec(s->cameraPath->frequency, c.frequency.x, c.frequency.y, c.frequency.z);
    expectVec(s->cameraPath->amplitude, c.amplitude.x, c.amplitude.y, c.amplitude.z);
}

TEST_F(LandscapeSceneTest, EachOrderSetsItsCameraAndOrderThreeKeepsThePhaseOfOrderTwo) {
    const CameraSetUp table[] = {
        {2, {70, 0, 0}, {0, 50, 0}, {45, 0, 0}, {30, 0, 0}, {37, 0, 0}},
        {3, {45, 0, 0}, {25, 15, -6}, {45, 0, 0}, {5, 0, 5}, {5, 0, 5}},
        {4, {0, 90, 15}, {-20, 6, -26}, {0, 0, 0}, {20, 0, 15}, {15, 0, 1}},
        {5, {90, 0, 0}, {0, 50, 0}, {0, 0, 90}, {30, 0, 30}, {40, 0, 40}},
        {6, {45, 0, 0}, {25, 15, -6}, {0, 0, -45}, {5, 0, 5}, {5, 0, 5}},
    };
    auto* land = enterAt<LandscapeScene>(2, 10);
    ASSERT_EQ(demo->world->camera(), land->camera);
    expectCamera(land, table[0]);
    EXPECT_GT(brightness(), 20.0);
    for (const CameraSetUp& c : table) {
        ASSERT_TRUE(step(c.order, 10));
        expectCamera(land, c);
        // The path is the camera's controller and places it every frame.
        const Vec3& p = land->camera->position;
        EXPECT_NEAR(p.y, c.centre.y, 1e-3f);
    }
    // A backwards jump is just another order with a set-up.
    ASSERT_TRUE(step(3, 20));
    EXPECT_EQ(demo->pendingScene, nullptr);
    expectCamera(land, {3, {45, 0, 0}, {25, 15, -6}, {0, 0, -45}, {5, 0, 5}, {5, 0, 5}});
}

TEST_F(LandscapeSceneTest, EnteredAtOrderThreeTheEnterPhaseStays) {
    auto* land = enterAt<LandscapeScene>(3, 10);
    expectCamera(land, {3, {45, 0, 0}, {25, 15, -6}, {0, 0, 90}, {5, 0, 5}, {5, 0, 5}});
}

TEST_F(LandscapeSceneTest, WireframeAndNoSkyOnRowsSixteenKAndTheNextInOrdersFiveAndSixOnly) {
    auto* land = enterAt<LandscapeScene>(2, 0);
    auto flashing = [&] { return land->terrainMaterial->wireframe; };
    for (std::int32_t o : {2, 3, 4}) {
        for (std::int32_t r : {0, 1, 16, 32, 48}) {
            ASSERT_TRUE(step(o, r));
            EXPECT_FALSE(flashing()) << o << "/" << r;
            EXPECT_TRUE(land->sky->visible) << o << "/" << r;
        }
    }
    for (std::int32_t o : {5, 6}) {
        for (std::int32_t r = 0; r < 64; ++r) {
            ASSERT_TRUE(step(o, r));
            const bool expected = r % 16 == 0 || r % 16 == 1;
            EXPECT_EQ(flashing(), expected) << o << "/" << r;
            EXPECT_EQ(land->sky->visible, !expected) << o << "/" << r;
        }
    }
    // The flag persists: a jump back to an order without the rule keeps the flash on.
    ASSERT_TRUE(step(5, 16));
    ASSERT_TRUE(step(4, 16));
    ASSERT_TRUE(step(4, 2));
    EXPECT_TRUE(flashing());
    EXPECT_FALSE(land->sky->visible);
}

TEST_F(LandscapeSceneTest, FadesAtThePatternEdgesAndHandsOverAfterOrderSix) {
    auto* land = enterAt<LandscapeScene>(2, 0);
    Material* fade = land->fadeMaterial;
    EXPECT_FLOAT_EQ(fade->color.a, 0.96f);
    EXPECT_LT(brightness(), 12.0);
    ASSERT_TRUE(step(2, 3));
    EXPECT_FLOAT_EQ(fade->color.a, 0.92f);
    ASSERT_TRUE(step(2, 4));
    EXPECT_FLOAT_EQ(fade->color.a, 0.0f);
    ASSERT_TRUE(step(2, 59));
    EXPECT_FLOAT_EQ(fade->color.a, 0.0f);
    steps(3, 2, 60);
    EXPECT_NEAR(fade->color.a, 0.12f, 1e-5f);

    ASSERT_TRUE(step(6, 30));
    EXPECT_EQ(demo->pendingScene, nullptr);
    paintMarker();
    ASSERT_TRUE(step(7, 0));
    EXPECT_EQ(demo->pendingScene, land->next);
    EXPECT_TRUE(markerIntact());
    ASSERT_TRUE(step(7, 0));
    EXPECT_EQ(demo->currentScene, land->next);
}

}  // namespace
