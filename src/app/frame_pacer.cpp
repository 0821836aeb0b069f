#include "app/frame_pacer.h"

#include "platform/clock.h"
#include "platform/thread.h"

FramePacer::FramePacer(Sleep s) : sleep(s ? std::move(s) : Sleep([](std::uint32_t ms) { platform::sleepMs(ms); })) {}

void FramePacer::setRefreshRate(int hz) {
    // Rates outside what displays offer are misreports; 60 is what most show.
    period = 1000.0 / (hz >= 24 && hz <= 500 ? hz : 60);
}

void FramePacer::frameDone() {
    const std::uint32_t now = platform::clockMs();
    if (!started) {
        started = true;
        anchorMs = now;
        dueMs = period;
        return;
    }
    const double elapsed = static_cast<double>(static_cast<std::uint32_t>(now - anchorMs));
    const double early = dueMs - elapsed;
    // Whole milliseconds only: the clock counts no finer, and a synced swap lands within a
    // millisecond of its due time, where waiting would only push the next frame past it.
    if (early >= 1.0) sleep(static_cast<std::uint32_t>(early));
    dueMs += period;
    if (dueMs <= elapsed) {
        // Late by more than a period: the next frame starts now and the pace from it.
        anchorMs = now;
        dueMs = period;
    } else if (dueMs > 3600000.0) {
        // Keep the count small enough for the 32-bit clock difference.
        anchorMs += 3600000u;
        dueMs -= 3600000.0;
    }
}
