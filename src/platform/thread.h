// A worker thread at the highest priority the system grants, and a millisecond sleep.
#pragma once

#include <functional>
#include <memory>

namespace platform {

class PriorityThread {
public:
    PriorityThread();
    PriorityThread(const PriorityThread&) = delete;
    PriorityThread& operator=(const PriorityThread&) = delete;
    ~PriorityThread();

    // Starts `body` and raises the thread to the system's highest (time-critical, real-time)
    // priority where permitted; an unprivileged process keeps the normal priority.
    void start(std::function<void()> body);
    // Runs `step` every `periodMs` until it returns false.  Where the system gives a program
    // no threads of its own (a browser page), the step runs instead whenever the sound
    // output wants more and before each frame, which is all a sound thread does anyway.
    void startRepeating(std::function<bool()> step, unsigned periodMs);
    void join();
    bool running() const;

private:
    struct Worker;  // the system's thread
    std::unique_ptr<Worker> worker;
};

// Without threads of its own the program cannot sleep: there the repeating steps run
// instead, so a loop waiting for one of them still sees it finish.
void sleepMs(unsigned milliseconds);

}  // namespace platform
