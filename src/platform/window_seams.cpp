// The window layer's test seams, the same on every backend: steps made to fail, a
// pointer moved by hand, and the observer called before each swap.
#include <array>
#include <utility>

#include "platform/backend.h"
#include "platform/window.h"

namespace platform {
namespace {

// Main thread only, like the window layer itself.
struct Seams {
    std::array<bool, 13> failing{};
    VirtualCursor* virtualCursor = nullptr;
    SwapObserver swapObserver;
};

Seams& seams() {
    static Seams s;
    return s;
}

}  // namespace

bool backend::stepFails(WindowStep step) { return seams().failing[static_cast<std::size_t>(step)]; }

void backend::beforeSwap() {
    if (seams().swapObserver) seams().swapObserver();
}

void setStepFails(WindowStep step, bool fails) { seams().failing[static_cast<std::size_t>(step)] = fails; }

void clearStepFailures() { seams().failing.fill(false); }

void setSwapObserver(SwapObserver observer) { seams().swapObserver = std::move(observer); }

bool getCursorPos(ScreenPoint& out) {
    if (VirtualCursor* v = seams().virtualCursor) {
        out = v->position;
        return true;
    }
    return backend::systemCursorPos(out);
}

bool setCursorPos(int x, int y) {
    if (VirtualCursor* v = seams().virtualCursor) {
        v->position = ScreenPoint{x, y};
        v->warps.push_back(v->position);
        return true;
    }
    return backend::moveSystemCursor(x, y);
}

void setVirtualCursor(VirtualCursor* cursor) { seams().virtualCursor = cursor; }

}  // namespace platform
