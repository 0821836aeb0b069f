#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/frame_pacer.h"
#include "app/timer.h"
#include "platform/clock.h"

namespace {

class TimerTest : public ::testing::Test {
protected:
    void TearDown() override { platform::setClockSource(nullptr); }
    void useClock(std::uint32_t startMs) {
        clock.set(startMs);
        platform::setClockSource(clock.source());
    }
    platform::VirtualClock clock;
};

TEST_F(TimerTest, SixteenMillisecondsIsExactlyTheSinglePrecisionProduct) {
    useClock(1000);
    Timer timer;
    timer.start();
    clock.advance(16);
    timer.tick();
    EXPECT_EQ(timer.delta, 16.0f * 0.001f);
    EXPECT_EQ(timer.delta, 0.016f);
}

TEST_F(TimerTest, StartMovesTheFirstFrameBaseline) {
    useClock(0);
    Timer timer;  // built long before the first frame
    clock.advance(5000);
    timer.start();
    clock.advance(20);
    timer.tick();
    EXPECT_FLOAT_EQ(timer.delta, 0.020f);
}

TEST_F(TimerTest, FrameAcrossTheClockWrapKeepsItsTrueLength) {
    useClock(0xFFFFFFF0u);
    Timer timer;
    timer.start();
    clock.advance(0x30);  // wraps to 0x20
    ASSERT_EQ(clock.value(), 0x20u);
    timer.tick();
    EXPECT_FLOAT_EQ(timer.delta, 0.048f);
}

TEST_F(TimerTest, EachTickMeasuresOnlyTheLastFrameAndMayBeZero) {
    useClock(100);
    Timer timer;
    timer.start();
    clock.advance(40);
    timer.tick();
    clock.advance(10);
    timer.tick();
    EXPECT_FLOAT_EQ(timer.delta, 0.010f);
    timer.tick();  // same millisecond
    EXPECT_EQ(timer.delta, 0.0f);
}

TEST_F(TimerTest, ALongPauseIsOneLongFrame) {
    useClock(0);
    Timer timer;
    timer.start();
    clock.advance(90000);  // minimised for a minute and a half: no ticks meanwhile
    timer.tick();
    EXPECT_FLOAT_EQ(timer.delta, 90.0f);
}


// The main loop's pacer, on virtual time: frames that take `work` ms each, `count` of them.
struct PacedRun {
    std::uint32_t totalMs = 0;
    std::uint32_t slept = 0;
    std::uint32_t longestSleep = 0;
};
PacedRun pace(platform::VirtualClock& clock, int hz, std::vector<std::uint32_t> work) {
    PacedRun run;
    FramePacer pacer([&](std::uint32_t ms) {
        clock.advance(ms);
        run.slept += ms;
        run.longestSleep = std::max(run.longestSleep, ms);
    });
    pacer.setRefreshRate(hz);
    const std::uint32_t start = clock.value();
    for (std::uint32_t ms : work) {
        clock.advance(ms);
        pacer.frameDone();
    }
    run.totalMs = clock.value() - start;
    return run;
}

TEST_F(TimerTest, PacerHoldsQuickFramesToTheRefreshAndNeverDelaysSyncedOrSlowOnes) {
    useClock(0xFFFFFF00u);  // across the clock's wrap-around
    // Swaps that return at once: 4 ms frames paced to 60 a second (1 ms of rounding at most).
    PacedRun quick = pace(clock, 0, std::vector<std::uint32_t>(601, 4));
    EXPECT_NEAR(quick.totalMs, 10000 + 4, 2);
    EXPECT_LE(quick.longestSleep, 13u);
    // A 144 Hz display paces at its own rate.
    PacedRun fast = pace(clock, 144, std::vector<std::uint32_t>(145, 2));
    EXPECT_NEAR(fast.totalMs, 1000 + 2, 2);
    // Swaps held by the display's sync (16-17 ms on a millisecond clock): no waiting on top.
    std::vector<std::uint32_t> synced;
    for (int i = 0; i < 300; ++i) synced.push_back(i % 3 == 0 ? 16 : 17);
    EXPECT_EQ(pace(clock, 60, synced).slept, 0u);
    // A frame slower than a period is followed at once, and the quick frames after it are
    // paced from its end: no burst to make up for it.
    PacedRun slow = pace(clock, 60, {5, 40, 3, 3});
    EXPECT_EQ(slow.slept, 13u + 14u);
}

}  // namespace
