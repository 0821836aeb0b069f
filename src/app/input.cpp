#include "app/input.h"

#include "app/window.h"
#include "platform/window.h"

namespace {
constexpr int keyCount = 256;
bool inRange(int code) { return code >= 0 && code < keyCount; }
}  // namespace

Input::Input() : keys(std::make_unique<std::uint8_t[]>(keyCount)) {}

// Codes outside the table cannot come from key messages; anything else feeding us one is
// ignored rather than trusted.
void Input::keyDown(int code) {
    if (inRange(code)) keys[static_cast<std::size_t>(code)] = 1;
}

void Input::keyUp(int code) {
    if (inRange(code)) keys[static_cast<std::size_t>(code)] = 0;
}

bool Input::isKeyDown(int code) const { return inRange(code) && keys[static_cast<std::size_t>(code)] != 0; }

void Input::sampleMouse() {
    // The centre is a screen point: the client centre in fullscreen, slightly above and left
    // of it in a framed window at the screen's corner.
    const int cx = windowState().width / 2;
    const int cy = windowState().height / 2;
    platform::ScreenPoint p;
    if (platform::getCursorPos(p)) {
        mouseX = static_cast<float>(p.x - cx);
        mouseY = static_cast<float>(p.y - cy);
    } else {
        // No pointer to read: report no motion rather than repeat the last one every frame.
        mouseX = 0.0f;
        mouseY = 0.0f;
    }
    platform::setCursorPos(cx, cy);
}

void Input::mouseDelta(float& x, float& y) const {
    x = mouseX;
    y = mouseY;
}
