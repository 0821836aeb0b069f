#include <gtest/gtest.h>

#include <cmath>

#include "app/timer.h"
#include "engine/node.h"
#include "geometry/controllers.h"

namespace {

Timer timerWith(float delta) {
    Timer t;
    t.delta = delta;
    return t;
}

TEST(TranslateController, MovesByVelocityTimesDelta) {
    GroupNode node;
    node.setPosition(Vec3(1, 1, 1));
    node.updateWorldMatrices();
    TranslateController up(Vec3(0, 0.5f, 0));
    node.addController(&up);
    Timer t = timerWith(0.1f);
    node.update(&t);
    EXPECT_FLOAT_EQ(node.position.y, 1.05f);
    EXPECT_FLOAT_EQ(node.position.x, 1.0f);
    EXPECT_FALSE(node.worldValid);  // moved through the setter

    up.velocity = Vec3(2, 0, 0);  // public, rewritten between frames
    node.update(&t);
    EXPECT_FLOAT_EQ(node.position.x, 1.2f);
    EXPECT_FLOAT_EQ(node.position.y, 1.05f);
}

TEST(SpinController, TurnsByAngularVelocityTimesDelta) {
    GroupNode node;
    SpinController spin(Vec3(25, 35, -30));
    node.addController(&spin);
    Timer t = timerWith(0.2f);
    node.update(&t);
    node.update(&t);
    EXPECT_NEAR(node.rotation.x, 10.0f, 1e-5);
    EXPECT_NEAR(node.rotation.y, 14.0f, 1e-5);
    EXPECT_NEAR(node.rotation.z, -12.0f, 1e-5);
    EXPECT_EQ(node.position, Vec3());
}

TEST(PositionOscillator, HeldByAQuarterPhaseWithoutFrequency) {
    GroupNode node;
    PositionOscillator hold(Vec3(0, 1, 0), Vec3(90, 0, 0), Vec3(0, 0, 0), Vec3(2, 0, 0));
    node.addController(&hold);
    Timer t = timerWith(0.37f);
    for (int i = 0; i < 5; ++i) {
        node.update(&t);
        EXPECT_FLOAT_EQ(node.position.x, 2.0f);
        EXPECT_FLOAT_EQ(node.position.y, 1.0f);
        EXPECT_FLOAT_EQ(node.position.z, 0.0f);
    }
    EXPECT_NEAR(hold.elapsed, 1.85f, 1e-5);
}

TEST(PositionOscillator, EachAxisHasItsOwnWave) {
    GroupNode node;
    PositionOscillator osc(Vec3(28, 4.4f, -12), Vec3(0, 30, 90), Vec3(90, 0, 180), Vec3(1, 0.5f, 2));
    node.addController(&osc);
    Timer t = timerWith(1.0f);
    node.update(&t);  // elapsed 1: angles 90, 30, 270 degrees
    EXPECT_NEAR(node.position.x, 29.0f, 1e-5);
    EXPECT_NEAR(node.position.y, 4.65f, 1e-5);
    EXPECT_NEAR(node.position.z, -14.0f, 1e-5);
}

TEST(RotationOscillator, SineOfTimeSetsTheRotation) {
    GroupNode node;
    node.setPosition(Vec3(3, 4, 5));
    RotationOscillator osc(Vec3(), Vec3(), Vec3(0, 360, 0), Vec3(0, 10, 0));
    node.addController(&osc);
    Timer quarter = timerWith(0.25f);
    node.update(&quarter);
    EXPECT_NEAR(node.rotation.y, 10.0f, 1e-4);
    node.update(&quarter);
    EXPECT_NEAR(node.rotation.y, 0.0f, 1e-4);
    node.update(&quarter);
    EXPECT_NEAR(node.rotation.y, -10.0f, 1e-4);
    EXPECT_EQ(node.position, Vec3(3, 4, 5));  // only the rotation is written
}

TEST(RotationOscillator, SharedByTwoNodesRunsTwiceAsFast) {
    GroupNode a, b;
    RotationOscillator osc(Vec3(), Vec3(), Vec3(0, 360, 0), Vec3(0, 10, 0));
    a.addController(&osc);
    b.addController(&osc);
    Timer t = timerWith(0.125f);
    a.update(&t);  // elapsed 0.125: 45 degrees
    b.update(&t);  // elapsed 0.25: 90 degrees
    EXPECT_NEAR(a.rotation.y, 10.0f * std::sqrt(0.5f), 1e-4);
    EXPECT_NEAR(b.rotation.y, 10.0f, 1e-4);
    EXPECT_FLOAT_EQ(osc.elapsed, 0.25f);
}

TEST(Oscillator, NewVectorsContinueFromTheCurrentTime) {
    GroupNode node;
    PositionOscillator osc(Vec3(), Vec3(), Vec3(90, 0, 0), Vec3(1, 0, 0));
    node.addController(&osc);
    Timer t = timerWith(0.5f);
    node.update(&t);
    osc.amplitude = Vec3(4, 0, 0);
    node.update(&t);  // elapsed 1: sin 90 degrees
    EXPECT_NEAR(node.position.x, 4.0f, 1e-5);
}

}  // namespace
