#include "platform/clock.h"

#include <mutex>
#include <utility>

#include "platform/backend.h"

namespace platform {
namespace {

std::mutex sourceMutex;
ClockSource installedSource;

}  // namespace

std::uint32_t clockMs() {
    std::lock_guard<std::mutex> lock(sourceMutex);
    return installedSource ? installedSource() : backend::systemClockMs();
}

void setClockSource(ClockSource source) {
    std::lock_guard<std::mutex> lock(sourceMutex);
    installedSource = std::move(source);
}

}  // namespace platform
