// A Demo installed as theDemo for one test, with a fresh window record; both are put back
// afterwards.
#pragma once

#include <memory>

#include "app/demo.h"
#include "app/window.h"

class ScopedDemo {
public:
    ScopedDemo() : demo(std::make_unique<Demo>()), previous(theDemo) {
        windowState() = WindowState{};
        theDemo = demo.get();
    }
    ~ScopedDemo() {
        theDemo = previous;
        windowState() = WindowState{};
    }
    ScopedDemo(const ScopedDemo&) = delete;
    ScopedDemo& operator=(const ScopedDemo&) = delete;

    Demo* operator->() const { return demo.get(); }

    std::unique_ptr<Demo> demo;

private:
    Demo* previous;
};
