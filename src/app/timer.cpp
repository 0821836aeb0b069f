#include "app/timer.h"

#include "platform/clock.h"

Timer::Timer() : current(platform::clockMs()) {}

void Timer::start() { current = platform::clockMs(); }

void Timer::tick() {
    previous = current;
    current = platform::clockMs();
    // Modulo-2^32 difference read as signed: a frame across the clock's wrap stays small.
    const auto elapsed = static_cast<std::int32_t>(current - previous);
    delta = static_cast<float>(elapsed) * 0.001f;
}
