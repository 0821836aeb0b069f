#include "app/window.h"

#include <cstdio>

#include "app/demo.h"
#include "app/frame_pacer.h"
#include "platform/clock.h"
#include "platform/message_box.h"

namespace {

constexpr const char* className = "Marn";
constexpr const char* caption = "Marn";
constexpr const char* shutdownCaption = "SHUTDOWN ERROR";
// How often a minimised show looks at the song: its cues and its end come at most this late,
// and the processor is left alone in between.
constexpr std::uint32_t hiddenFrameMs = 200;

using platform::MessageIcon;

// Steps 5 onwards of openWindow: clean up first, then say what failed.
bool failAfterCleanup(const char* text) {
    closeWindow();
    platform::showMessage(text, caption, MessageIcon::Exclamation);
    return false;
}

}  // namespace

WindowState& windowState() {
    static WindowState state;
    return state;
}

ScreenMode defaultScreenMode() {
    return platform::fullscreenSwitchesMode() ? ScreenMode::ModeSwitchOrFullscreen : ScreenMode::Fullscreen;
}

bool openWindow(const char* title, int width, int height, int colorBits, ScreenMode mode) {
    WindowState& ws = windowState();
    ws.fullscreen = mode != ScreenMode::Window;
    ws.modeSwitched = false;
    ws.height = height;
    ws.width = width;
    ws.surfaceWidth = width;
    ws.surfaceHeight = height;
    ws.colorBits = colorBits;
    ws.instance = platform::moduleInstance();

    if (!platform::registerClass(className, windowProcedure, ws.instance)) {
        platform::showMessage("No se pudo registrar la clase de la ventana.", caption, MessageIcon::Exclamation);
        return false;
    }

    if (mode == ScreenMode::ModeSwitch || mode == ScreenMode::ModeSwitchOrFullscreen) {
        if (platform::changeDisplayMode(width, height, colorBits)) {
            ws.modeSwitched = true;
        } else if (mode == ScreenMode::ModeSwitch) {
            // No fallback: the mode was asked for by name.  The class stays registered for
            // closeWindow to remove.
            platform::showMessage("No se pudo establecer el modo de video", caption, MessageIcon::Stop);
            return false;
        } else {
            // Remote desktops, many virtual machines and laptop panels refuse small modes; a
            // scaled picture beats no picture, and the user need not answer anything.
            std::fprintf(stderr, "the display has no %dx%d mode: full screen at the desktop's own, scaled\n", width,
                         height);
        }
    }
    if (ws.fullscreen) platform::showCursor(false);
    const auto style = ws.fullscreen ? platform::WindowStyle::Popup : platform::WindowStyle::Overlapped;

    // The platform sizes the client area itself, so the frame needs no sum here.
    ws.window = platform::createWindow(className, title, style, width, height);
    if (ws.window == nullptr) return failAfterCleanup("Error creando la ventana.");
    // A window over the desktop has the desktop's size from the start; later changes come
    // as size messages.
    const platform::WindowGeometry geometry = platform::windowGeometry(ws.window);
    ws.surfaceWidth = geometry.width;
    ws.surfaceHeight = geometry.height;

    ws.deviceContext = platform::getDeviceContext(ws.window);
    if (ws.deviceContext == nullptr) return failAfterCleanup("No se puede obtener un Device Context para el dispositivo.");

    platform::PixelFormatRequest request;  // double-buffered RGBA, 16-bit depth, nothing else
    request.colorBits = colorBits;
    request.depthBits = 16;
    const int format = platform::choosePixelFormat(ws.deviceContext, request);
    if (format == 0) return failAfterCleanup("No se puede encontrar un formato de pixel adecuado.");
    if (!platform::setPixelFormat(ws.deviceContext, format))
        return failAfterCleanup("No se puede establecer un formato de pixel adecuado.");

    ws.glContext = platform::createContext(ws.deviceContext);
    if (ws.glContext == nullptr) return failAfterCleanup("No se puede crear un contexto para GL.");
    if (!platform::makeCurrent(ws.deviceContext, ws.glContext))
        return failAfterCleanup("Can't Activate The GL Rendering Context.");
    // Frames at the display's pace, not as fast as the processor can draw them; where the
    // driver refuses, the message loop's pacer does it.
    platform::syncSwapsToDisplay(ws.deviceContext);

    platform::showWindow(ws.window);
    platform::setForegroundWindow(ws.window);
    platform::setFocus(ws.window);
    return true;
}

void closeWindow() {
    WindowState& ws = windowState();
    // The pointer comes back while the window still covers the screen: some compositors
    // cannot show it once the full-screen surface is gone.
    if (ws.fullscreen) platform::showCursor(true);
    if (ws.modeSwitched) platform::restoreDisplayMode();
    ws.modeSwitched = false;
    if (ws.glContext != nullptr) {
        if (!platform::makeCurrent(nullptr, nullptr))
            platform::showMessage("Fallo al destruir DC y RC.", caption, MessageIcon::Information);
        if (!platform::deleteContext(ws.glContext))
            platform::showMessage("Fallo al destruir RC.", caption, MessageIcon::Information);
        ws.glContext = nullptr;
    }
    // Each handle is forgotten whether or not its release worked: it must never be released twice.
    if (ws.deviceContext != nullptr) {
        if (!platform::releaseDeviceContext(ws.window, ws.deviceContext))
            platform::showMessage("Release Device Context Failed.", shutdownCaption, MessageIcon::Information);
        ws.deviceContext = nullptr;
    }
    if (ws.window != nullptr) {
        if (!platform::destroyWindow(ws.window))
            platform::showMessage("Could Not Release hWnd.", shutdownCaption, MessageIcon::Information);
        ws.window = nullptr;
    }
    if (!platform::unregisterClass(className, ws.instance)) {
        platform::showMessage("Could Not Unregister Class.", shutdownCaption, MessageIcon::Information);
        ws.instance = nullptr;
    }
}

std::intptr_t windowProcedure(platform::NativeWindow* window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
    namespace msg = platform::msg;
    switch (message) {
        case msg::Activate: {
            // Inactive only while minimised: losing the focus to another window keeps frames
            // running, but the pointer then belongs to the other window.
            const bool minimised = ((wParam >> 16) & 0xFFFF) != 0;
            windowState().active = !minimised;
            windowState().focused = !minimised && (wParam & 0xFFFF) != 0;
            return 0;
        }
        case msg::SysCommand:
            if (wParam == platform::sys::ScreenSave || wParam == platform::sys::MonitorPower) return 0;
            break;
        case msg::Close:
            platform::postQuitMessage(0);
            return 0;
        case msg::KeyDown:
            if (theDemo != nullptr) theDemo->input->keyDown(static_cast<int>(wParam));
            return 0;
        case msg::KeyUp:
            if (theDemo != nullptr) theDemo->input->keyUp(static_cast<int>(wParam));
            return 0;
        case msg::Size: {
            // The picture keeps its size and shape; it is scaled to the new client area at
            // the next frame.  A minimised window reports 0 x 0: keep the last real size.
            const auto width = static_cast<std::int32_t>(lParam & 0xFFFF);
            const auto height = static_cast<std::int32_t>((lParam >> 16) & 0xFFFF);
            if (width > 0 && height > 0) {
                windowState().surfaceWidth = width;
                windowState().surfaceHeight = height;
            }
            return 0;
        }
        default:
            break;
    }
    return platform::defaultWindowProcedure(window, message, wParam, lParam);
}

int runMessageLoop() {
    FramePacer pacer;
    pacer.setRefreshRate(platform::displayRefreshRate(windowState().window));
    std::uint32_t lastHiddenFrame = platform::clockMs() - hiddenFrameMs;
    for (;;) {
        platform::WindowMessage m;
        if (platform::peekMessage(m)) {
            if (m.message == platform::msg::Quit) return static_cast<int>(m.wParam);
            platform::translateMessage(m);
            platform::dispatchMessage(m);
        } else if (theDemo == nullptr) {
            return 0;
        } else if (windowState().active) {
            if (!theDemo->frameStep()) return 0;
            pacer.frameDone();
        } else {
            // Minimised: nothing to look at, but the show goes on.  A frame now and then that
            // draws nothing lets the scenes follow the song and end with it; in between the
            // loop sleeps on the queue (messages arriving meanwhile do not put the frame off).
            const std::uint32_t since = platform::clockMs() - lastHiddenFrame;
            if (since < hiddenFrameMs && platform::waitMessage(hiddenFrameMs - since)) continue;
            lastHiddenFrame = platform::clockMs();
            theDemo->display->drawingSuspended = true;
            const bool more = theDemo->frameStep();
            theDemo->display->drawingSuspended = false;
            if (!more) return 0;
            pacer.restart();
        }
    }
}

std::optional<int> messageLoopTurn() {
    platform::WindowMessage m;
    while (platform::peekMessage(m)) {
        if (m.message == platform::msg::Quit) return static_cast<int>(m.wParam);
        platform::translateMessage(m);
        platform::dispatchMessage(m);
    }
    if (theDemo == nullptr) return 0;
    // A page out of sight gets no display frames at all; one that is shown but not active
    // still follows the song without drawing, like a minimised window.
    theDemo->display->drawingSuspended = !windowState().active;
    const bool more = theDemo->frameStep();
    theDemo->display->drawingSuspended = false;
    if (!more) return 0;
    return std::nullopt;
}
