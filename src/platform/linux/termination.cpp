// Termination signals.  SDL's own handlers only queue a quit event, which nobody reads while
// a modal message box waits for its answer: a show stopped from a terminal, a session
// manager or `timeout` would then hang on.  Here a signal becomes a close request that the
// message loop takes like any other, and a watchdog ends the process if that has not
// happened within the second (a box is up, or the loop is stuck), after giving the desktop
// its display mode back.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <SDL.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "platform/linux/sdl_events.h"

namespace platform::backend {
namespace {

std::atomic<int> pendingSignal{0};  // taken by the message loop
std::atomic<int> lastSignal{0};
int wakePipe[2] = {-1, -1};

void onSignal(int number) {
    const int saved = errno;
    pendingSignal.store(number);
    lastSignal.store(number);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(wakePipe[1], &byte, 1);
    errno = saved;
}

// How long the program has, after the first signal, to shut down by itself.
constexpr int graceMs = 700;

void watchdog() {
    char byte = 0;
    for (;;) {
        const ssize_t got = read(wakePipe[0], &byte, 1);
        if (got == 1) break;
        if (got < 0 && errno == EINTR) continue;
        return;
    }
    SDL_Delay(graceMs);
    // Still here: put the desktop's mode back (the main thread is not drawing, or this would
    // not be needed) and end with the status a shell expects of a signal.
    leaveChangedDisplayMode();
    _exit(128 + lastSignal.load());
}

}  // namespace

void watchTerminationSignals() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (pipe2(wakePipe, O_CLOEXEC) != 0) return;
    struct sigaction action {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);
    std::thread(watchdog).detach();
}

bool takeTerminationRequest() { return pendingSignal.exchange(0) != 0; }

}  // namespace platform::backend
