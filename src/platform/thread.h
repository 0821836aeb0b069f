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
    void join();
    bool running() const;

private:
    struct Worker;  // the system's thread
    std::unique_ptr<Worker> worker;
};

void sleepMs(unsigned milliseconds);

}  // namespace platform
