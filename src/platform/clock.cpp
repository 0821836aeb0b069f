#include "platform/clock.h"

#include <chrono>
#include <mutex>
#include <utility>

namespace platform {
namespace {

std::mutex sourceMutex;
ClockSource installedSource;

std::uint32_t realClockMs() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));  // wraps like the system clock
}

}  // namespace

std::uint32_t clockMs() {
    std::lock_guard<std::mutex> lock(sourceMutex);
    return installedSource ? installedSource() : realClockMs();
}

void setClockSource(ClockSource source) {
    std::lock_guard<std::mutex> lock(sourceMutex);
    installedSource = std::move(source);
}

}  // namespace platform
