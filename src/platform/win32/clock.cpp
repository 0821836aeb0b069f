#include <windows.h>
#include <mmsystem.h>

#include "platform/backend.h"

namespace platform::backend {

// Milliseconds since the system started, wrapping after 2^32; no finer period is asked for.
std::uint32_t systemClockMs() { return static_cast<std::uint32_t>(timeGetTime()); }

}  // namespace platform::backend
