#include "platform/thread.h"

#include <algorithm>
#include <vector>

#include <emscripten/emscripten.h>

#include "platform/web/bridge.h"

namespace platform {

// A page has one thread: the sound output's demand, the frames and anyone waiting call the
// steps instead of a thread of their own.
struct PriorityThread::Worker {
    std::function<bool()> step;
};

namespace {

// The steps of the threads started, by address (each thread's own slot).
std::vector<std::function<bool()>*>& steps() {
    static std::vector<std::function<bool()>*> list;
    return list;
}

bool stepping = false;

}  // namespace

void web::runRepeatingSteps() {
    if (stepping) return;  // a step that waits must not run itself again
    stepping = true;
    const std::vector<std::function<bool()>*> now = steps();
    for (std::function<bool()>* step : now)
        if (*step && !(*step)()) {
            *step = nullptr;
            std::erase(steps(), step);
        }
    stepping = false;
}

PriorityThread::PriorityThread() : worker(std::make_unique<Worker>()) {}
PriorityThread::~PriorityThread() { join(); }

void PriorityThread::start(std::function<void()> body) {
    // A body that loops for ever cannot run here; it runs once, as one step.
    startRepeating([body = std::move(body)] {
        body();
        return false;
    }, 0);
}

void PriorityThread::startRepeating(std::function<bool()> step, unsigned) {
    join();
    worker->step = std::move(step);
    steps().push_back(&worker->step);
}

void PriorityThread::join() {
    worker->step = nullptr;
    std::erase(steps(), &worker->step);
}

bool PriorityThread::running() const { return static_cast<bool>(worker->step); }

void sleepMs(unsigned) { web::runRepeatingSteps(); }

}  // namespace platform

// Called by the page whenever the audio context wants more sound.
extern "C" EMSCRIPTEN_KEEPALIVE void velastria_audio_pump() { platform::web::runRepeatingSteps(); }
