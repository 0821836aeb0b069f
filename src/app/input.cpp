#include "app/input.h"

#include "app/window.h"
#include "engine/display.h"
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
    // The centre is the picture's centre as a screen point, the window's client area taken
    // to start at the screen's corner: the client centre in fullscreen, slightly above and
    // left of it in a framed window at the corner.
    const WindowState& ws = windowState();
    const PictureRect picture = fitPicture(ws.width, ws.height, ws.surfaceWidth, ws.surfaceHeight);
    const int cx = picture.x + picture.width / 2;
    const int cy = picture.y + picture.height / 2;
    // Moves are counted in picture pixels, so the fly camera turns alike at every scale.
    const float scale = static_cast<float>(picture.width) / static_cast<float>(ws.width > 0 ? ws.width : 1);
    platform::ScreenPoint p;
    if (platform::getCursorPos(p) && scale > 0.0f) {
        mouseX = static_cast<float>(p.x - cx) / scale;
        mouseY = static_cast<float>(p.y - cy) / scale;
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
