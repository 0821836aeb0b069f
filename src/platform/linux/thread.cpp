#include "platform/thread.h"

#include <SDL.h>
#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace platform {

namespace {

// Real-time scheduling straight from the system where the process may have it (root, or a
// real-time limit granted to the user); otherwise SDL asks RTKit over D-Bus, which grants it
// to ordinary users on most desktops.  Said once when neither does.
void raiseOwnPriority() {
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_FIFO);
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) return;
    SDL_SetHint(SDL_HINT_THREAD_FORCE_REALTIME_TIME_CRITICAL, "1");
    if (SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL) == 0) return;
    static std::atomic<bool> said{false};
    if (!said.exchange(true))
        std::fprintf(stderr, "audio: the sound thread runs at normal priority (no real-time scheduling: %s)\n",
                     SDL_GetError());
}

}  // namespace

struct PriorityThread::Worker {
    std::thread thread;
};

PriorityThread::PriorityThread() : worker(std::make_unique<Worker>()) {}
PriorityThread::~PriorityThread() { join(); }

void PriorityThread::start(std::function<void()> body) {
    join();
    worker->thread = std::thread([body = std::move(body)] {
        raiseOwnPriority();
        body();
    });
}

void PriorityThread::startRepeating(std::function<bool()> step, unsigned periodMs) {
    start([step = std::move(step), periodMs] {
        while (step()) sleepMs(periodMs);
    });
}

void PriorityThread::join() {
    if (worker->thread.joinable()) worker->thread.join();
}

bool PriorityThread::running() const { return worker->thread.joinable(); }

void sleepMs(unsigned milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace platform
