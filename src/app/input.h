// Key table fed by the window's key messages, and the mouse offset from a fixed screen point
// sampled once per frame (the pointer is put back there each time).
#pragma once

#include <cstdint>
#include <memory>

class Input {
public:
    Input();

    void keyDown(int code);
    void keyUp(int code);
    // Down now, or pressed since the last frame ended: a tap shorter than a frame still counts
    // for the frame that follows it.
    bool isKeyDown(int code) const;
    // The frame has seen this round of presses.
    void endFrame();
    // Offsets are in picture pixels (640x480 units) whatever the picture's scale on screen.
    void sampleMouse();
    void mouseDelta(float& x, float& y) const;

private:
    // 256 entries, indexed by virtual-key code: bit 0 down now, bit 1 pressed since the last frame.
    std::unique_ptr<std::uint8_t[]> keys;
    float mouseX = 0.0f;
    float mouseY = 0.0f;
};
