// The one millisecond clock of the program: a 32-bit count that wraps after 2^32 ms.
// Tests and the capture tool replace its source to run the real code on virtual time.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace platform {

using ClockSource = std::function<std::uint32_t()>;

std::uint32_t clockMs();
// An empty source restores the real clock.
void setClockSource(ClockSource source);

// A settable clock for deterministic runs; install it with setClockSource(virtualClock.source()).
// The audio thread reads it too (the silent device follows it), hence the atomic count.
class VirtualClock {
public:
    explicit VirtualClock(std::uint32_t startMs = 0) : now(startMs) {}
    void advance(std::uint32_t ms) { now.fetch_add(ms); }
    void set(std::uint32_t ms) { now.store(ms); }
    std::uint32_t value() const { return now.load(); }
    ClockSource source() {
        return [this] { return now.load(); };
    }

private:
    std::atomic<std::uint32_t> now;
};

}  // namespace platform
