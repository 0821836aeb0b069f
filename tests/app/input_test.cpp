#include <gtest/gtest.h>

#include <utility>

#include "app/input.h"
#include "app/window.h"
#include "platform/window.h"

namespace {

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        windowState() = WindowState{};
        windowState().active = windowState().focused = true;
        platform::setVirtualCursor(&cursor);
    }
    void TearDown() override {
        platform::setVirtualCursor(nullptr);
        windowState() = WindowState{};
    }
    platform::VirtualCursor cursor;
    Input input;
};

TEST_F(InputTest, KeyTableFollowsDownAndUp) {
    EXPECT_FALSE(input.isKeyDown(87));
    input.keyDown(87);
    input.keyDown(87);  // auto-repeat
    EXPECT_TRUE(input.isKeyDown(87));
    EXPECT_FALSE(input.isKeyDown(27));
    input.keyUp(87);
    // Released, but pressed since the last frame: it still counts for this one.
    EXPECT_TRUE(input.isKeyDown(87));
    input.endFrame();
    EXPECT_FALSE(input.isKeyDown(87));
    // A tap shorter than a frame is seen by the next frame, and only by that one.
    input.keyDown(27);
    input.keyUp(27);
    EXPECT_TRUE(input.isKeyDown(27));
    input.endFrame();
    EXPECT_FALSE(input.isKeyDown(27));
    // A key still held stays down across frames.
    input.keyDown(27);
    input.endFrame();
    EXPECT_TRUE(input.isKeyDown(27));
    input.keyUp(27);
    input.keyDown(0);
    input.keyDown(255);
    EXPECT_TRUE(input.isKeyDown(0));
    EXPECT_TRUE(input.isKeyDown(255));
}

TEST_F(InputTest, CodesOutsideTheTableAreIgnored) {
    for (int code : {-1, 256, 1000, -100000}) {
        input.keyDown(code);
        EXPECT_FALSE(input.isKeyDown(code)) << code;
        input.keyUp(code);
    }
    for (int code = 0; code < 256; ++code) EXPECT_FALSE(input.isKeyDown(code)) << code;
}

TEST_F(InputTest, MouseOffsetIsMeasuredFromTheScreenCentreWhichItReturnsTo) {
    float x = -1, y = -1;
    input.mouseDelta(x, y);
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 0.0f);

    cursor.position = {420, 240};  // 100 pixels right of the centre
    input.sampleMouse();
    input.mouseDelta(x, y);
    EXPECT_EQ(x, 100.0f);
    EXPECT_EQ(y, 0.0f);
    EXPECT_EQ(cursor.position, (platform::ScreenPoint{320, 240}));

    input.sampleMouse();  // untouched since
    input.mouseDelta(x, y);
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 0.0f);

    cursor.position = {300, 250};  // left and down
    input.sampleMouse();
    input.mouseDelta(x, y);
    EXPECT_EQ(x, -20.0f);
    EXPECT_EQ(y, 10.0f);
    EXPECT_EQ(cursor.warps.size(), 3u);
}

TEST_F(InputTest, CentreComesFromTheWindowSizeRoundedDown) {
    windowState().width = windowState().surfaceWidth = 641;
    windowState().height = windowState().surfaceHeight = 481;
    cursor.position = {0, 0};
    input.sampleMouse();
    float x = 0, y = 0;
    input.mouseDelta(x, y);
    EXPECT_EQ(x, -320.0f);
    EXPECT_EQ(y, -240.0f);
    EXPECT_EQ(cursor.position, (platform::ScreenPoint{320, 240}));
}

TEST_F(InputTest, ScaledPictureKeepsItsCentreAndCountsInPicturePixels) {
    // 640x480 shown 1440x1080 in the middle of a 1920x1080 screen.
    windowState().surfaceWidth = 1920;
    windowState().surfaceHeight = 1080;
    cursor.position = {960 + 225, 540 - 45};
    input.sampleMouse();
    float x = 0, y = 0;
    input.mouseDelta(x, y);
    EXPECT_FLOAT_EQ(x, 100.0f);
    EXPECT_FLOAT_EQ(y, -20.0f);
    EXPECT_EQ(cursor.position, (platform::ScreenPoint{960, 540}));
}

TEST_F(InputTest, PointerIsLeftAloneUnlessTheShowHasTheFocus) {
    // Another program's window has the focus, or the show is minimised: the pointer is the
    // user's, and no motion is reported.
    for (const auto& [focused, active] : {std::pair{false, true}, std::pair{false, false}, std::pair{true, false}}) {
        windowState().focused = focused;
        windowState().active = active;
        cursor.position = {700, 10};
        input.sampleMouse();
        float x = -1, y = -1;
        input.mouseDelta(x, y);
        EXPECT_EQ(x, 0.0f);
        EXPECT_EQ(y, 0.0f);
    }
    EXPECT_TRUE(cursor.warps.empty());
    EXPECT_EQ(cursor.position, (platform::ScreenPoint{700, 10}));
}

TEST_F(InputTest, OffsetsStayPutBetweenSamples) {
    cursor.position = {330, 245};
    input.sampleMouse();
    cursor.position = {0, 0};  // moved again, not yet sampled
    float x = 0, y = 0;
    input.mouseDelta(x, y);
    EXPECT_EQ(x, 10.0f);
    EXPECT_EQ(y, 5.0f);
}

}  // namespace
