#include <gtest/gtest.h>

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

}  // namespace
