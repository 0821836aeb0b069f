// The program's one window with its OpenGL context, and the message loop that alternates
// between window messages and frames.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/window.h"

// How the picture reaches the screen.
enum class ScreenMode {
    Window,      // a framed window opening at the picture's size; the user may resize it
    Fullscreen,  // a borderless window over the whole screen at the desktop's own mode
    ModeSwitch,  // the screen switched to exactly the picture's size
    // The switch where the display can make it, otherwise Fullscreen: the default where the
    // switch is the platform's choice, so a display without the mode still gets a picture.
    ModeSwitchOrFullscreen,
};

struct WindowState {
    platform::InstanceHandle instance = nullptr;
    platform::NativeWindow* window = nullptr;
    platform::DeviceContext* deviceContext = nullptr;
    platform::GlContext* glContext = nullptr;
    bool fullscreen = false;    // a borderless window covers the screen (title never touched)
    bool modeSwitched = false;  // ...and the screen mode was changed for it
    std::int32_t width = 640;   // the picture everything is drawn at; also the mode after a switch
    std::int32_t height = 480;
    // The window's client size now.  When it differs from the picture's, the picture is
    // scaled to the largest rectangle of its shape that fits, centred, with black bars.
    std::int32_t surfaceWidth = 640;
    std::int32_t surfaceHeight = 480;
    std::int32_t colorBits = 32;
    bool active = false;   // frames run only while true: false while minimised
    bool focused = false;  // the window has the keyboard: only then is the pointer ours
};

// The process-wide window record.
WindowState& windowState();

// Creates the window and makes its OpenGL context current.  On failure it has shown the
// failing step's message, released whatever it had made, and returns false.
bool openWindow(const char* title, int width, int height, int colorBits, ScreenMode mode);
// What full screen means when the user does not say: the platform's choice.
ScreenMode defaultScreenMode();
// Releases everything openWindow made, in reverse order; safe after a partial open.
void closeWindow();
std::intptr_t windowProcedure(platform::NativeWindow* window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam);
// Returns when the program is to end: a quit message (its exit code), or a frame that says
// stop (0).  Frames are paced to the display's refresh; while the window is minimised the
// loop sleeps on the message queue and runs a rare frame that draws nothing, so the song's
// cues and the end of the show still come.
int runMessageLoop();
// The same loop one display frame at a time, for systems that own the loop themselves:
// every waiting message, then one frame; an exit status once the program is to end.
std::optional<int> messageLoopTurn();
