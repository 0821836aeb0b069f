#include "platform/thread.h"

#include <pthread.h>
#include <sched.h>

#include <chrono>

namespace platform {

void PriorityThread::start(std::function<void()> body) {
    join();
    worker = std::thread(std::move(body));
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_FIFO);
    if (pthread_setschedparam(worker.native_handle(), SCHED_FIFO, &param) != 0) {
        param.sched_priority = sched_get_priority_max(SCHED_RR);
        pthread_setschedparam(worker.native_handle(), SCHED_RR, &param);  // failure keeps the default
    }
}

void PriorityThread::join() {
    if (worker.joinable()) worker.join();
}

void sleepMs(unsigned milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace platform
