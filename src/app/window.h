// The program's one window with its OpenGL context, and the message loop that alternates
// between window messages and frames.
#pragma once

#include <cstdint>

#include "platform/window.h"

struct WindowState {
    platform::InstanceHandle instance = nullptr;
    platform::NativeWindow* window = nullptr;
    platform::DeviceContext* deviceContext = nullptr;
    platform::GlContext* glContext = nullptr;
    bool fullscreen = false;  // the screen mode was changed and the window is a borderless popup
    std::int32_t width = 640;  // client size; also the screen mode when fullscreen
    std::int32_t height = 480;
    std::int32_t colorBits = 32;
    bool active = false;  // frames run only while true
};

// The process-wide window record.
WindowState& windowState();

// Creates the window and makes its OpenGL context current.  On failure it has shown the
// failing step's message, released whatever it had made, and returns false.
bool openWindow(const char* title, int width, int height, int colorBits, bool fullscreen);
// Releases everything openWindow made, in reverse order; safe after a partial open.
void closeWindow();
std::intptr_t windowProcedure(platform::NativeWindow* window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam);
// Returns when the program is to end: a quit message, or a frame that says stop.
void runMessageLoop();
