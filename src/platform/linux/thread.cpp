#include "platform/thread.h"

#include <pthread.h>
#include <sched.h>

#include <chrono>
#include <thread>

namespace platform {

struct PriorityThread::Worker {
    std::thread thread;
};

PriorityThread::PriorityThread() : worker(std::make_unique<Worker>()) {}
PriorityThread::~PriorityThread() { join(); }

void PriorityThread::start(std::function<void()> body) {
    join();
    worker->thread = std::thread(std::move(body));
    const pthread_t handle = worker->thread.native_handle();
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_FIFO);
    if (pthread_setschedparam(handle, SCHED_FIFO, &param) != 0) {
        param.sched_priority = sched_get_priority_max(SCHED_RR);
        pthread_setschedparam(handle, SCHED_RR, &param);  // failure keeps the default
    }
}

void PriorityThread::join() {
    if (worker->thread.joinable()) worker->thread.join();
}

bool PriorityThread::running() const { return worker->thread.joinable(); }

void sleepMs(unsigned milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace platform
