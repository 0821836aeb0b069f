// The fly camera reads the demo's keys and the mouse offset of the frame.
#include <gtest/gtest.h>

#include <cmath>

#include "app/timer.h"
#include "app/window.h"
#include "engine/node.h"
#include "geometry/controllers.h"
#include "platform/window.h"
#include "support/scoped_demo.h"

namespace {

constexpr int W = 87, S = 83, A = 65, D = 68, Left = 37, Up = 38, Right = 39, Down = 40;

class FreeLookTest : public ::testing::Test {
protected:
    void SetUp() override {
        windowState().active = windowState().focused = true;  // the pointer is the show's
        platform::setVirtualCursor(&cursor);
        cursor.position = {320, 240};
        demo->input->sampleMouse();  // no offset
        node.addController(&look);
        timer.delta = 0.1f;
    }
    void TearDown() override {
        platform::setVirtualCursor(nullptr);
        windowState().active = windowState().focused = false;
    }

    void hold(int key) { demo->input->keyDown(key); }
    void release(int key) { demo->input->keyUp(key); }
    // One frame as the main loop runs it: the presses it has seen are done with afterwards.
    void frame() {
        node.update(&timer);
        demo->input->endFrame();
    }

    ScopedDemo demo;
    platform::VirtualCursor cursor;
    GroupNode node;
    FreeLookController look;
    Timer timer;
};

TEST_F(FreeLookTest, NothingHeldNothingMoves) {
    node.setPosition(Vec3(1, 2, 3));
    node.setRotation(Vec3(10, 20, 30));
    frame();
    EXPECT_EQ(node.position, Vec3(1, 2, 3));
    EXPECT_EQ(node.rotation, Vec3(10, 20, 30));
    EXPECT_FLOAT_EQ(look.moveSpeed, 5.0f);
    EXPECT_FLOAT_EQ(look.turnSpeed, 120.0f);
}

TEST_F(FreeLookTest, ForwardIsMinusZAndStrafeRightIsPlusX) {
    hold(W);
    frame();
    EXPECT_NEAR(node.position.x, 0.0f, 1e-6);
    EXPECT_NEAR(node.position.y, 0.0f, 1e-6);
    EXPECT_NEAR(node.position.z, -0.5f, 1e-6);
    release(W);
    hold(D);
    frame();
    EXPECT_NEAR(node.position.x, 0.5f, 1e-6);
    EXPECT_NEAR(node.position.z, -0.5f, 1e-6);
    release(D);
    hold(A);
    hold(S);
    frame();
    EXPECT_NEAR(node.position.x, 0.0f, 1e-6);
    EXPECT_NEAR(node.position.z, 0.0f, 1e-6);
}

TEST_F(FreeLookTest, ForwardFollowsYawAndPitch) {
    // Turned right 90 degrees, forward is +x; pitched down 30 degrees, forward also sinks.
    node.setRotation(Vec3(30, 90, 0));
    hold(W);
    frame();
    EXPECT_NEAR(node.position.x, 0.5f * std::cos(30 * DEG_TO_RAD), 1e-5);
    EXPECT_NEAR(node.position.y, -0.5f * std::sin(30 * DEG_TO_RAD), 1e-5);
    EXPECT_NEAR(node.position.z, 0.0f, 1e-5);
    // Strafing ignores pitch: right of a camera facing +x is +z.
    release(W);
    hold(D);
    const Vec3 before = node.position;
    frame();
    EXPECT_NEAR(node.position.x, before.x, 1e-5);
    EXPECT_NEAR(node.position.y, before.y, 1e-5);
    EXPECT_NEAR(node.position.z, before.z + 0.5f, 1e-5);
}

TEST_F(FreeLookTest, ForwardAndBackCancel) {
    node.setRotation(Vec3(12, 34, 0));
    hold(W);
    hold(S);
    for (int i = 0; i < 5; ++i) frame();
    EXPECT_NEAR(node.position.x, 0.0f, 1e-5);
    EXPECT_NEAR(node.position.y, 0.0f, 1e-5);
    EXPECT_NEAR(node.position.z, 0.0f, 1e-5);
}

TEST_F(FreeLookTest, ArrowsTurnAndPitchStopsAt89) {
    hold(Right);
    frame();
    EXPECT_NEAR(node.rotation.y, 12.0f, 1e-5);
    release(Right);
    hold(Left);
    frame();
    frame();
    EXPECT_NEAR(node.rotation.y, -12.0f, 1e-5);
    release(Left);

    hold(Up);
    for (int i = 0; i < 10; ++i) frame();
    EXPECT_EQ(node.rotation.x, -89.0f);
    release(Up);
    hold(Down);
    for (int i = 0; i < 20; ++i) frame();
    EXPECT_EQ(node.rotation.x, 89.0f);
    EXPECT_NEAR(node.rotation.y, -12.0f, 1e-5);
}

TEST_F(FreeLookTest, MouseTurnsFifteenHundredthsOfADegreePerPixel) {
    node.setRotation(Vec3(0, 0, 7));
    cursor.position = {320 + 100, 240};
    demo->input->sampleMouse();
    frame();
    EXPECT_NEAR(node.rotation.y, 15.0f, 1e-5);
    EXPECT_FLOAT_EQ(node.rotation.x, 0.0f);
    EXPECT_FLOAT_EQ(node.rotation.z, 7.0f);  // roll is kept
    // The offset holds until the next sample, and does not scale with the frame length.
    timer.delta = 0.5f;
    frame();
    EXPECT_NEAR(node.rotation.y, 30.0f, 1e-5);

    // Downward motion pitches down, clamped at 89.
    cursor.position = {320, 240 + 1000};
    demo->input->sampleMouse();
    frame();
    EXPECT_EQ(node.rotation.x, 89.0f);
    cursor.position = {320, 240 - 100};
    demo->input->sampleMouse();
    frame();
    EXPECT_NEAR(node.rotation.x, 74.0f, 1e-4);
}

TEST_F(FreeLookTest, WithoutADemoItDoesNothing) {
    GroupNode other;
    FreeLookController alone;
    other.addController(&alone);
    Demo* saved = theDemo;
    theDemo = nullptr;
    other.update(&timer);
    theDemo = saved;
    EXPECT_EQ(other.position, Vec3());
    EXPECT_EQ(other.rotation, Vec3());
}

}  // namespace
