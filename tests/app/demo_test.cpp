#include <gtest/gtest.h>

#include "app/demo.h"
#include "app/window.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "resources/material_library.h"
#include "resources/texture_manager.h"
#include "support/message_recorder.h"
#include "support/recording_scene.h"
#include "support/scoped_demo.h"

namespace {

using Log = std::vector<std::string>;

class FrameStepTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setClockSource(clock.source());
        platform::setVirtualCursor(&cursor);
        windowState().active = windowState().focused = true;  // the pointer is the show's
        demo->timer->start();
    }
    void TearDown() override {
        windowState().active = windowState().focused = false;
        platform::setVirtualCursor(nullptr);
        platform::setClockSource(nullptr);
    }

    platform::VirtualClock clock{5000};
    platform::VirtualCursor cursor;
    ScopedDemo demo;
    Log log;
};

TEST(DemoConstruction, BuildsEveryMemberWithoutAWindow) {
    ScopedDemo demo;
    EXPECT_NE(demo->timer, nullptr);
    EXPECT_NE(demo->input, nullptr);
    EXPECT_NE(demo->world, nullptr);
    EXPECT_NE(demo->display, nullptr);
    EXPECT_NE(demo->music, nullptr);
    EXPECT_EQ(demo->loopCount, 0);
    EXPECT_EQ(demo->currentScene, nullptr);
    EXPECT_EQ(demo->pendingScene, nullptr);
    EXPECT_EQ(demo->world->camera(), nullptr);
    EXPECT_EQ(platform::windowResources().windows, 0);
}

TEST(SceneBase, CopiesItsReferencesFromTheDemo) {
    ScopedDemo demo;
    Log log;
    RecordingScene scene("a", &log);
    EXPECT_EQ(scene.materials, demo->display->materials);
    EXPECT_EQ(scene.textures, demo->display->textures);
    EXPECT_EQ(scene.world, demo->world.get());
    EXPECT_EQ(scene.display, demo->display.get());
    EXPECT_TRUE(log.empty());
}

TEST_F(FrameStepTest, EscapeEndsThePassBeforeTheTickAndTheScene) {
    RecordingScene scene("a", &log);
    demo->setPendingScene(&scene);
    clock.advance(16);
    cursor.position = {400, 300};
    demo->input->keyDown(27);

    EXPECT_FALSE(demo->frameStep());
    EXPECT_EQ(demo->loopCount, 1);                 // counted
    EXPECT_EQ(cursor.warps.size(), 1u);            // mouse sampled and re-centred
    EXPECT_EQ(demo->timer->delta, 0.0f);           // not ticked
    EXPECT_TRUE(log.empty());                      // no enter, no frame
    EXPECT_EQ(demo->pendingScene, &scene);         // not promoted either

    demo->input->keyUp(27);
    clock.advance(4);
    EXPECT_TRUE(demo->frameStep());
    // The tick measures from the last tick (here: start), Escape pass included.
    EXPECT_FLOAT_EQ(demo->timer->delta, 0.020f);
}

TEST_F(FrameStepTest, PromotionThenEnterThenFrameWithTheSameTimer) {
    RecordingScene a("a", &log);
    demo->setPendingScene(&a);
    clock.advance(16);
    ASSERT_TRUE(demo->frameStep());
    EXPECT_EQ(log, (Log{"enter:a", "frame:a", "frame-end:a"}));
    EXPECT_EQ(demo->currentScene, &a);
    EXPECT_EQ(demo->pendingScene, nullptr);
    ASSERT_EQ(a.deltas.size(), 1u);
    EXPECT_EQ(a.deltas[0], 0.016f);

    clock.advance(20);
    ASSERT_TRUE(demo->frameStep());
    EXPECT_EQ(log, (Log{"enter:a", "frame:a", "frame-end:a", "frame:a", "frame-end:a"}));
    EXPECT_FLOAT_EQ(a.deltas[1], 0.020f);
}

TEST_F(FrameStepTest, HandOverFromFrameRunsTheSuccessorNextPass) {
    RecordingScene a("a", &log), b("b", &log);
    demo->setPendingScene(&a);
    ASSERT_TRUE(demo->frameStep());
    a.queueOnFrame = &b;
    ASSERT_TRUE(demo->frameStep());  // a finishes its frame after queueing
    ASSERT_TRUE(demo->frameStep());
    ASSERT_TRUE(demo->frameStep());
    EXPECT_EQ(log, (Log{"enter:a", "frame:a", "frame-end:a", "frame:a", "frame-end:a", "enter:b", "frame:b",
                        "frame-end:b", "frame:b", "frame-end:b"}));
    EXPECT_EQ(demo->currentScene, &b);
}

TEST_F(FrameStepTest, LastOfTwoPendingScenesWins) {
    RecordingScene a("a", &log), b("b", &log);
    demo->setPendingScene(&a);
    demo->setPendingScene(&b);
    ASSERT_TRUE(demo->frameStep());
    EXPECT_EQ(log, (Log{"enter:b", "frame:b", "frame-end:b"}));
}

TEST_F(FrameStepTest, EnterThatQueuesASceneSwitchesAgainNextPass) {
    RecordingScene a("a", &log), b("b", &log);
    a.queueOnEnter = &b;
    demo->setPendingScene(&a);
    ASSERT_TRUE(demo->frameStep());
    EXPECT_EQ(demo->currentScene, &a);
    EXPECT_EQ(demo->pendingScene, &b);
    ASSERT_TRUE(demo->frameStep());
    EXPECT_EQ(log, (Log{"enter:a", "frame:a", "frame-end:a", "enter:b", "frame:b", "frame-end:b"}));
}

TEST_F(FrameStepTest, FalseFromTheSceneEndsTheProgram) {
    RecordingScene last("last", &log);
    last.keepRunning = false;
    demo->setPendingScene(&last);
    EXPECT_FALSE(demo->frameStep());
    EXPECT_EQ(log, (Log{"enter:last", "frame:last", "frame-end:last"}));
}

TEST_F(FrameStepTest, WithoutAnySceneAPassOnlyCountsSamplesAndTicks) {
    clock.advance(30);
    EXPECT_TRUE(demo->frameStep());
    EXPECT_TRUE(demo->frameStep());
    EXPECT_EQ(demo->loopCount, 2);
    EXPECT_EQ(cursor.warps.size(), 2u);
    EXPECT_EQ(demo->timer->delta, 0.0f);  // second tick in the same millisecond
    EXPECT_EQ(demo->currentScene, nullptr);
}

// The title needs a real window: a hidden-display one from the offscreen driver.
class TitleTest : public FrameStepTest {
protected:
    void SetUp() override {
        FrameStepTest::SetUp();
        ASSERT_TRUE(openWindow("Marn", 640, 480, 32, ScreenMode::Window));
    }
    void TearDown() override {
        windowState().fullscreen = false;
        closeWindow();
        FrameStepTest::TearDown();
    }
    MessageRecorder messages;
};

TEST_F(TitleTest, WindowedTitleShowsRateAndPassCount) {
    for (int pass = 1; pass < 125; ++pass) {
        clock.advance(16);
        ASSERT_TRUE(demo->frameStep());
    }
    clock.advance(20);
    ASSERT_TRUE(demo->frameStep());
    EXPECT_EQ(platform::windowTitle(windowState().window), "Marn (fps: 50.00, loops: 125)");

    // Two passes in one millisecond: an endless rate, written as the C library writes it.
    ASSERT_TRUE(demo->frameStep());
    EXPECT_EQ(platform::windowTitle(windowState().window), "Marn (fps:   inf, loops: 126)");
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(TitleTest, TitleIsLeftAloneWhenTheSceneEndsTheProgramOrInFullscreen) {
    RecordingScene last("last", &log);
    last.keepRunning = false;
    demo->setPendingScene(&last);
    clock.advance(20);
    EXPECT_FALSE(demo->frameStep());
    EXPECT_EQ(platform::windowTitle(windowState().window), "Marn");

    windowState().fullscreen = true;
    demo->currentScene = nullptr;
    for (int i = 0; i < 10; ++i) {
        clock.advance(20);
        ASSERT_TRUE(demo->frameStep());
    }
    EXPECT_EQ(platform::windowTitle(windowState().window), "Marn");
}

}  // namespace
