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
    bool isKeyDown(int code) const;
    void sampleMouse();
    void mouseDelta(float& x, float& y) const;

private:
    std::unique_ptr<std::uint8_t[]> keys;  // 256 entries, indexed by virtual-key code
    float mouseX = 0.0f;
    float mouseY = 0.0f;
};
