#include "platform/thread.h"

#include <windows.h>

#include <cstdio>

namespace platform {

struct PriorityThread::Worker {
    HANDLE handle = nullptr;
    std::function<void()> body;

    static DWORD WINAPI entry(LPVOID self) {
        static_cast<Worker*>(self)->body();
        return 0;
    }
};

PriorityThread::PriorityThread() : worker(std::make_unique<Worker>()) {}
PriorityThread::~PriorityThread() { join(); }

void PriorityThread::start(std::function<void()> body) {
    join();
    worker->body = std::move(body);
    worker->handle = CreateThread(nullptr, 0, &Worker::entry, worker.get(), 0, nullptr);
    if (worker->handle == nullptr) return;
    static bool said = false;
    if (!SetThreadPriority(worker->handle, THREAD_PRIORITY_TIME_CRITICAL) && !said) {
        said = true;
        std::fprintf(stderr, "audio: the sound thread runs at normal priority (error %lu)\n", GetLastError());
    }
}

void PriorityThread::startRepeating(std::function<bool()> step, unsigned periodMs) {
    start([step = std::move(step), periodMs] {
        while (step()) sleepMs(periodMs);
    });
}

void PriorityThread::join() {
    if (worker->handle == nullptr) return;
    WaitForSingleObject(worker->handle, INFINITE);
    CloseHandle(worker->handle);
    worker->handle = nullptr;
}

bool PriorityThread::running() const { return worker->handle != nullptr; }

void sleepMs(unsigned milliseconds) { Sleep(milliseconds); }

}  // namespace platform
