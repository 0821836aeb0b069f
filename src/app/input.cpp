#include "app/input.h"

#include "app/window.h"
#include "platform/message_box.h"
#include "platform/window.h"

namespace {
constexpr int keyCount = 256;
constexpr std::uint8_t downNow = 1;
constexpr std::uint8_t pressedThisFrame = 2;
bool inRange(int code) { return code >= 0 && code < keyCount; }
}  // namespace

Input::Input() : keys(std::make_unique<std::uint8_t[]>(keyCount)) {}

// Codes outside the table cannot come from key messages; anything else feeding us one is
// ignored rather than trusted.
void Input::keyDown(int code) {
    if (inRange(code)) keys[static_cast<std::size_t>(code)] = downNow | pressedThisFrame;
}

void Input::keyUp(int code) {
    if (inRange(code)) keys[static_cast<std::size_t>(code)] &= static_cast<std::uint8_t>(~downNow);
}

bool Input::isKeyDown(int code) const { return inRange(code) && keys[static_cast<std::size_t>(code)] != 0; }

void Input::endFrame() {
    for (int code = 0; code < keyCount; ++code) keys[static_cast<std::size_t>(code)] &= downNow;
}

void Input::sampleMouse() {
    // The pointer is the user's whenever the show is not the window they are using: only a
    // focused, visible window pins it, and never while a message box waits for an answer.
    const WindowState& ws = windowState();
    mouseX = 0.0f;
    mouseY = 0.0f;
    if (!ws.focused || !ws.active || platform::messageBoxShowing()) return;
    // The centre is the picture's centre as a screen point: the client area's own centre
    // wherever the window is (a window without a known place counts from the screen's corner).
    const platform::PictureRect picture = platform::fitPicture(ws.width, ws.height, ws.surfaceWidth, ws.surfaceHeight);
    platform::ScreenPoint origin;
    if (!platform::clientOrigin(ws.window, origin)) origin = {};
    const int cx = origin.x + picture.x + picture.width / 2;
    const int cy = origin.y + picture.y + picture.height / 2;
    // Moves are counted in picture pixels, so the fly camera turns alike at every scale.
    const float scale = static_cast<float>(picture.width) / static_cast<float>(ws.width > 0 ? ws.width : 1);
    platform::ScreenPoint p;
    // No pointer to read: report no motion rather than repeat the last one every frame.
    if (!platform::getCursorPos(p) || scale <= 0.0f) return;
    mouseX = static_cast<float>(p.x - cx) / scale;
    mouseY = static_cast<float>(p.y - cy) / scale;
    platform::setCursorPos(cx, cy);
}

void Input::mouseDelta(float& x, float& y) const {
    x = mouseX;
    y = mouseY;
}
