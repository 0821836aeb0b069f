// Frame clock: delta is the length of the last frame in seconds, ticked once per frameStep.
#pragma once

#include <cstdint>

class Timer {
public:
    Timer();
    void start();
    void tick();

    float delta = 0.0f;

private:
    std::uint32_t previous = 0;
    std::uint32_t current = 0;
};
