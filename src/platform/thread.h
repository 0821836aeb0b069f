// A worker thread at the highest priority the system grants, and a millisecond sleep.
#pragma once

#include <functional>
#include <thread>

namespace platform {

class PriorityThread {
public:
    PriorityThread() = default;
    PriorityThread(const PriorityThread&) = delete;
    PriorityThread& operator=(const PriorityThread&) = delete;
    ~PriorityThread() { join(); }

    // Starts `body` and raises the thread to real-time priority where permitted
    // (an unprivileged process keeps the normal priority).
    void start(std::function<void()> body);
    void join();
    bool running() const { return worker.joinable(); }

private:
    std::thread worker;
};

void sleepMs(unsigned milliseconds);

}  // namespace platform
