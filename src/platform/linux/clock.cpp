#include <chrono>

#include "platform/backend.h"

namespace platform::backend {

std::uint32_t systemClockMs() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));  // wraps like the system clock
}

}  // namespace platform::backend
