#include <emscripten/emscripten.h>

#include <cmath>
#include <cstdint>

#include "platform/backend.h"

namespace platform::backend {

std::uint32_t systemClockMs() {
    // The page's monotonic clock, wrapped to 32 bits like the desktop ones.
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::floor(emscripten_get_now())));
}

}  // namespace platform::backend
