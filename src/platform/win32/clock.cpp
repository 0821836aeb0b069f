#include <windows.h>
#include <mmsystem.h>

#include "platform/backend.h"

namespace platform::backend {
namespace {

// The system's timer runs in ~15.6 ms steps unless a program asks for finer ones (and since
// Windows 10 2004 each program must ask for itself): frame times, the frame pacer's sleeps
// and the audio thread's 5 ms polls all need single milliseconds.  Asked for the program's
// whole life, given back at exit.
struct FineTimerPeriod {
    FineTimerPeriod() { granted = timeBeginPeriod(1) == TIMERR_NOERROR; }
    ~FineTimerPeriod() {
        if (granted) timeEndPeriod(1);
    }
    bool granted = false;
};

}  // namespace

// Milliseconds since the system started, wrapping after 2^32.
std::uint32_t systemClockMs() {
    static const FineTimerPeriod period;
    return static_cast<std::uint32_t>(timeGetTime());
}

}  // namespace platform::backend
