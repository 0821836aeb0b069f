#include "geometry/controllers.h"
#include "geometry/particles.h"
#include "scenes/glass_cube_scene.h"
#include "scenes/spirograph_scene.h"
#include "scenes/starfield_scene.h"
#include "scene_fixture.h"

namespace {

using StarfieldSceneTest = SceneTest;
using GlassCubeSceneTest = SceneTest;

std::int32_t liveParticles(World* world) {
    std::int32_t n = 0;
    for (Node* child : world->root->children)
        if (auto* system = dynamic_cast<ParticleSystem*>(child)) n += system->liveCount;
    return n;
}

TEST_F(StarfieldSceneTest, FadesInDuringOrderSevenAndIsClearFromRowThirtyTwo) {
    auto* stars = enterAt<StarfieldScene>(7, 0);
    Material* fade = stars->fadeMaterial;
    EXPECT_FLOAT_EQ(fade->color.a, 1.0f - 0.25f * 0.02f);
    steps(99, 7, 31);  // two seconds in: halfway
    EXPECT_NEAR(fade->color.a, 0.5f, 1e-4f);
    ASSERT_TRUE(step(7, 32));
    EXPECT_FLOAT_EQ(fade->color.a, 0.0f);
    // Two seconds of streams: stars fly at the viewer in front of the lit backdrop.
    EXPECT_GT(liveParticles(demo->world.get()), 500);
    EXPECT_GT(brightness(), 10.0);
    // Orders 8 and 9 leave the fade alone.
    fade->color.a = 0.25f;
    ASSERT_TRUE(step(8, 40));
    ASSERT_TRUE(step(9, 40));
    EXPECT_FLOAT_EQ(fade->color.a, 0.25f);
}

TEST_F(StarfieldSceneTest, EachOrderChangesForceRatesLifeAndBackdrop) {
    auto* stars = enterAt<StarfieldScene>(7, 40);
    expectVec(stars->starForce->acceleration, 0, 0, 0);
    EXPECT_FLOAT_EQ(stars->whiteEmitter->rate, 400.0f);
    EXPECT_FLOAT_EQ(stars->orangeEmitter->rate, 100.0f);
    EXPECT_FLOAT_EQ(stars->blueEmitter->rate, 50.0f);

    steps(3, 8, 10);
    expectVec(stars->starForce->acceleration, 0, -3.5f, 0);
    EXPECT_FLOAT_EQ(stars->whiteEmitter->rate, 400.0f);
    EXPECT_FLOAT_EQ(stars->backdropMaterial->color.a, 1.0f);

    // Order 9 builds on what order 8 left, a little more every frame.
    steps(50, 9, 10);  // one second
    EXPECT_FLOAT_EQ(stars->starForce->acceleration.y, -3.5f);
    EXPECT_NEAR(stars->starForce->acceleration.z, 25.0f, 1e-3f);
    EXPECT_NEAR(stars->whiteEmitter->rate, 600.0f, 1e-2f);
    EXPECT_NEAR(stars->whiteEmitter->life, 8.5f, 1e-4f);
    EXPECT_NEAR(stars->backdropMaterial->color.a, 0.9f, 1e-4f);
    // The other two streams never change.
    EXPECT_FLOAT_EQ(stars->orangeEmitter->rate, 100.0f);
    EXPECT_FLOAT_EQ(stars->blueEmitter->life, 10.0f);

    ASSERT_TRUE(step(10, 0));
    expectVec(stars->starForce->acceleration, 0, 0, 0);
    EXPECT_FLOAT_EQ(stars->whiteEmitter->rate, 1000.0f);
    EXPECT_FLOAT_EQ(stars->whiteEmitter->life, 4.0f);
    EXPECT_NEAR(stars->backdropMaterial->color.a, 0.9f, 1e-4f);  // never restored

    // Orders outside 7-10 change nothing.
    stars->whiteEmitter->rate = 123.0f;
    stars->fadeMaterial->color.a = 0.5f;
    ASSERT_TRUE(step(3, 50));
    EXPECT_FLOAT_EQ(stars->whiteEmitter->rate, 123.0f);
    EXPECT_FLOAT_EQ(stars->fadeMaterial->color.a, 0.5f);
    EXPECT_EQ(demo->pendingScene, nullptr);
}

TEST_F(StarfieldSceneTest, OrderTenIsClearToRowThirtyTwoThenFadesOutWithoutClamping) {
    auto* stars = enterAt<StarfieldScene>(10, 0);
    EXPECT_FLOAT_EQ(stars->fadeMaterial->color.a, 0.0f);
    ASSERT_TRUE(step(10, 32));
    EXPECT_FLOAT_EQ(stars->fadeMaterial->color.a, 0.0f);
    steps(250, 10, 33);  // five seconds at +0.25 per second
    EXPECT_NEAR(stars->fadeMaterial->color.a, 1.25f, 1e-3f);
    EXPECT_LT(brightness(), 1.0);
}

TEST_F(StarfieldSceneTest, HandsOverAtOrderElevenOrAnyLaterOne) {
    auto* stars = enterAt<StarfieldScene>(10, 5);
    ASSERT_NE(stars->next, nullptr);
    paintMarker();
    ASSERT_TRUE(step(12, 0));  // order 11 skipped: the chain still moves on
    EXPECT_EQ(demo->pendingScene, stars->next);
    EXPECT_TRUE(markerIntact());
    ASSERT_TRUE(step(12, 1));
    EXPECT_EQ(demo->currentScene, stars->next);
}

TEST_F(GlassCubeSceneTest, StartsWithoutDarkeningAndMovesAwayFromOrderThirteen) {
    auto* cube = enterAt<GlassCubeScene>(11, 0);
    // No fade cube: the first picture is already lit.
    EXPECT_GT(brightness(), 20.0);
    expectVec(demo->world->root->position, 0, 0, 0);  // enter's (0, -2, 0) is replaced
    EXPECT_EQ(demo->world->camera(), cube->camera);

    ASSERT_TRUE(step(12, 5));
    expectVec(demo->world->root->position, 0, 0, 0);
    ASSERT_TRUE(step(13, 5));
    expectVec(demo->world->root->position, 0, 0, -25);
    ASSERT_TRUE(step(14, 5));
    expectVec(demo->world->root->position, 0, 0, -25);
    EXPECT_GT(brightness(), 5.0);
    ASSERT_TRUE(step(12, 6));  // a jump back brings the viewer inside again
    expectVec(demo->world->root->position, 0, 0, 0);
}

TEST_F(GlassCubeSceneTest, ReversesTheSpinOncePerRowZeroButNotOnTheRowItEntersOn) {
    auto* cube = enterAt<GlassCubeScene>(11, 0);
    SpinController* spin = cube->worldSpin;
    expectVec(spin->angularVelocity, 25, 35, -30);
    steps(5, 11, 0);
    expectVec(spin->angularVelocity, 25, 35, -30);
    ASSERT_TRUE(step(11, 1));
    steps(7, 12, 0);  // a long row 0: one reversal
    expectVec(spin->angularVelocity, -25, -35, 30);
    steps(3, 12, 40);
    steps(2, 13, 0);
    expectVec(spin->angularVelocity, 25, 35, -30);
    ASSERT_TRUE(step(13, 63));
    ASSERT_TRUE(step(14, 0));
    expectVec(spin->angularVelocity, -25, -35, 30);

    // The spin turns the whole root.
    const Vec3 before = demo->world->root->rotation;
    ASSERT_TRUE(step(14, 1));
    EXPECT_NEAR(demo->world->root->rotation.y - before.y, -35.0f * 0.02f, 1e-3f);

    paintMarker();
    ASSERT_TRUE(step(15, 0));
    EXPECT_EQ(demo->pendingScene, cube->next);
    EXPECT_TRUE(markerIntact());
}

}  // namespace
