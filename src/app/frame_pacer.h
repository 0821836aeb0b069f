// Keeps the main loop from drawing more frames than the display shows.  Where the buffer
// swap waits for the display (vertical sync), the frames already come at its pace and the
// pacer never waits; where it returns at once (no sync: virtual screens, remote desktops,
// drivers set so), the pacer sleeps out the rest of each refresh period instead of drawing
// frames nobody sees.
#pragma once

#include <cstdint>
#include <functional>

class FramePacer {
public:
    using Sleep = std::function<void(std::uint32_t ms)>;
    // Time comes from the program's clock (platform::clockMs), waits from `sleep`
    // (platform::sleepMs unless a test runs on virtual time).
    explicit FramePacer(Sleep sleep = {});

    // Frames per second of the display; 0 or less when unknown, which paces at 60.
    void setRefreshRate(int hz);
    double periodMs() const { return period; }
    // After each frame: waits until the next one is due.  A frame that took longer than a
    // period starts the next at once, and the pace restarts from there (no burst to catch up).
    void frameDone();
    // The next frame starts a fresh pace (after a pause in which no frames ran).
    void restart() { started = false; }

private:
    Sleep sleep;
    double period = 1000.0 / 60.0;
    bool started = false;
    std::uint32_t anchorMs = 0;  // clock value the due time counts from
    double dueMs = 0.0;          // when the next frame may start, after anchorMs
};
