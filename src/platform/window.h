// The desktop window, its drawing surface and OpenGL context, the message queue and the
// mouse pointer, as a handful of small primitives.  The shell composes them step by step
// (register, mode change, create, device context, pixel format, context, make current)
// so that every step can fail on its own and be reported with its own message.
//
// Messages carry the classic desktop numbering (activate, size, close, key down/up, system
// key, system command, quit) and key codes are the usual virtual-key numbers: Escape 27,
// letters as their upper-case character, digits 48-57, arrows 37-40, space 32, F1 112...
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct NativeWindow;   // one top-level window
struct DeviceContext;  // the drawing surface of a window
struct GlContext;      // an OpenGL rendering context
using InstanceHandle = const void*;

// The handle of the running program (never null).
InstanceHandle moduleInstance();

// ---- messages ---------------------------------------------------------------------------

namespace msg {
inline constexpr std::uint32_t Size = 0x0005;      // lParam: client width in the low word, height in the high word
inline constexpr std::uint32_t Activate = 0x0006;  // wParam: low word 0 inactive / 1 active, high word minimised
inline constexpr std::uint32_t Close = 0x0010;
inline constexpr std::uint32_t Quit = 0x0012;       // wParam: exit code
inline constexpr std::uint32_t KeyDown = 0x0100;    // wParam: virtual-key code
inline constexpr std::uint32_t KeyUp = 0x0101;
inline constexpr std::uint32_t SysKeyDown = 0x0104;  // a key pressed with Alt held
inline constexpr std::uint32_t SysKeyUp = 0x0105;
inline constexpr std::uint32_t SysCommand = 0x0112;  // wParam: one of the sys:: commands
}  // namespace msg

namespace sys {
inline constexpr std::uintptr_t Close = 0xF060;
inline constexpr std::uintptr_t ScreenSave = 0xF140;
inline constexpr std::uintptr_t MonitorPower = 0xF170;
}  // namespace sys

namespace vk {
inline constexpr int Escape = 27;
inline constexpr int Space = 32;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int F4 = 115;
}  // namespace vk

struct WindowMessage {
    NativeWindow* window = nullptr;  // null for thread messages (quit)
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

using WindowProcedure = std::intptr_t (*)(NativeWindow* window, std::uint32_t message, std::uintptr_t wParam,
                                          std::intptr_t lParam);

// Takes one message without waiting; false when the queue is empty.
bool peekMessage(WindowMessage& out);
// Kept for the shape of the loop: key messages already carry their virtual-key codes.
void translateMessage(const WindowMessage& m);
// Hands the message to the window procedure of the window's class.
std::intptr_t dispatchMessage(const WindowMessage& m);
// What a window does with a message its procedure does not handle (Alt+F4 closes it).
std::intptr_t defaultWindowProcedure(NativeWindow* window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam);
// Blocks until a message is waiting or timeoutMs have passed, without taking it; true when
// one is waiting.  What a loop with nothing to draw does instead of polling.
bool waitMessage(std::uint32_t timeoutMs);
void postQuitMessage(int exitCode);
// Queues a message for a window (or a thread message when window is null).
void postMessage(const WindowMessage& m);

// Where the system owns the loop and a program may never block in one of its own (a
// browser page), `turn` is called once per display frame from now on until it gives an
// exit status, which then goes to `finish`; this returns true at once, before any turn.
// Where the program loops itself, false, and neither is ever called.
using LoopTurn = std::function<std::optional<int>()>;
bool handLoopToSystem(LoopTurn turn, std::function<void(int)> finish);

// ---- window, surface and context --------------------------------------------------------

bool registerClass(const std::string& className, WindowProcedure procedure, InstanceHandle instance);
bool unregisterClass(const std::string& className, InstanceHandle instance);

// Whether full screen, unless the user asks otherwise, means a real change of the display
// mode (true) or a window over the whole desktop at its own mode, the picture scaled to
// fit (false).  Displays of today seldom offer small modes, and compositors may refuse or
// fake them, so where that is the rule the desktop's own mode is the safer default.
bool fullscreenSwitchesMode();

// A temporary full-screen mode of exactly width x height.  The switch itself happens when
// the full-screen window appears; a display that cannot give exactly that size refuses
// here and the desktop is left as it was.
bool changeDisplayMode(int width, int height, int bitsPerPixel);
// Back to the desktop's own mode.
void restoreDisplayMode();
// Pointer over the program's windows shown or hidden.  Safe at any time: with no window
// it only records the wish, which the next window takes on.
void showCursor(bool show);

enum class WindowStyle {
    // Borderless and covering the screen: in the mode set by changeDisplayMode if there was
    // one (then the client is width x height), otherwise at the desktop's own mode (then the
    // client is the whole screen, whatever width and height say).
    Popup,
    // Title bar and frame around a client area of the given size, which the user (or the
    // compositor) may change later: the window then gets a size message.
    Overlapped,
};

NativeWindow* createWindow(const std::string& className, const std::string& title, WindowStyle style,
                           int width, int height);
bool destroyWindow(NativeWindow* window);
void showWindow(NativeWindow* window);
void setForegroundWindow(NativeWindow* window);
void setFocus(NativeWindow* window);
void setWindowTitle(NativeWindow* window, const std::string& title);
std::string windowTitle(NativeWindow* window);
// Client size and whether the window covers the whole screen (in a changed mode or at the
// desktop's own).
struct WindowGeometry {
    int width = 0, height = 0;
    bool fullscreen = false;
};
WindowGeometry windowGeometry(NativeWindow* window);

// Where a picture of one size goes on a surface of another: the largest rectangle of the
// picture's shape that fits, centred (x, y from the surface's top-left corner).  A surface
// without area gets the picture unscaled.
struct PictureRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PictureRect&) const = default;
};
PictureRect fitPicture(int pictureWidth, int pictureHeight, int surfaceWidth, int surfaceHeight);

DeviceContext* getDeviceContext(NativeWindow* window);
bool releaseDeviceContext(NativeWindow* window, DeviceContext* dc);

struct PixelFormatRequest {
    bool drawToWindow = true;
    bool supportOpenGL = true;
    bool doubleBuffer = true;
    bool rgba = true;
    int colorBits = 32;
    int alphaBits = 0;
    int depthBits = 16;
    int stencilBits = 0;
    int accumBits = 0;
    int auxBuffers = 0;
};
// A format number (1 or more) that satisfies the request, or 0.
int choosePixelFormat(DeviceContext* dc, const PixelFormatRequest& request);
bool setPixelFormat(DeviceContext* dc, int format);

GlContext* createContext(DeviceContext* dc);
// With both null, no context is current afterwards.
bool makeCurrent(DeviceContext* dc, GlContext* context);
bool deleteContext(GlContext* context);
bool swapBuffers(DeviceContext* dc);
// Asks the driver to hold each swap for the display's next refresh (late frames swapped at
// once where the driver can, so a slow frame does not wait a whole extra refresh).  Drivers
// may ignore it; false when it was refused outright.
bool syncSwapsToDisplay(DeviceContext* dc);
// Refreshes per second of the display the window is on; 0 when the system does not say.
int displayRefreshRate(NativeWindow* window);
// Called by swapBuffers with the finished frame still in the back buffer (and the window's
// context current), right before it is shown: a capture reads the picture here.  The
// offscreen driver keeps no readable front buffer, so after the swap would be too late.
// An empty observer removes it.
using SwapObserver = std::function<void()>;
void setSwapObserver(SwapObserver observer);

// ---- mouse pointer ----------------------------------------------------------------------

struct ScreenPoint {
    int x = 0, y = 0;
    bool operator==(const ScreenPoint&) const = default;
};
bool getCursorPos(ScreenPoint& out);
// Where the window's client area starts on the screen.
bool clientOrigin(NativeWindow* window, ScreenPoint& out);
bool setCursorPos(int x, int y);

// A pointer moved by hand; while installed it replaces the real one.
class VirtualCursor {
public:
    ScreenPoint position;
    std::vector<ScreenPoint> warps;  // every setCursorPos, in order
};
void setVirtualCursor(VirtualCursor* cursor);  // null restores the real pointer

// ---- test seams -------------------------------------------------------------------------

enum class WindowStep {
    RegisterClass,
    ChangeDisplayMode,
    CreateWindow,
    GetDeviceContext,
    ChoosePixelFormat,
    SetPixelFormat,
    CreateContext,
    MakeCurrent,
    ReleaseCurrent,
    DeleteContext,
    ReleaseDeviceContext,
    DestroyWindow,
    UnregisterClass,
};
// While set, the step reports failure.  A failing creation step creates nothing; a failing
// release step still releases (the caller forgets the handle either way) so nothing leaks.
void setStepFails(WindowStep step, bool fails);
void clearStepFailures();

// What the layer holds right now: lets a test check that closing left nothing behind.
struct WindowResources {
    int classes = 0;
    int windows = 0;
    int deviceContexts = 0;
    int contexts = 0;
    bool modeChanged = false;
    bool cursorHidden = false;
    bool screenSaverEnabled = true;
};
WindowResources windowResources();

}  // namespace platform
