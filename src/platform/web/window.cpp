// The browser backend's window: the page's canvas "#picture" with a WebGL context under the
// fixed-function emulation, the page's keyboard, and the frames of the page's display.
#include "platform/window.h"

#include <GL/gl.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <memory>

#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/shell/window_shell.h"
#include "platform/web/bridge.h"

namespace platform {

struct NativeWindow : shell::WindowRecord {};

struct GlContext {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle = 0;
    bool ready = false;  // the emulation has been set up on it
};

namespace {

constexpr const char* canvas = "#picture";

struct State : shell::WindowShell<NativeWindow, GlContext> {
    bool hidden = false;   // the page is out of sight
    bool focused = true;   // the page has the keyboard
    // The frames: what the program runs each display frame, and the frame count.
    LoopTurn turn;
    std::function<void(int)> finish;
    std::uint64_t frame = 0;
    VirtualClock virtualClock;
};

State& state() {
    static State s;
    return s;
}

bool failing(WindowStep step) { return backend::stepFails(step); }
NativeWindow* findWindow(NativeWindow* window) { return state().findWindow(window); }
DeviceContext* validDc(DeviceContext* dc) { return state().validDc(dc); }

void postActivation() {
    State& s = state();
    if (s.windows.empty()) return;
    const std::uintptr_t minimised = s.hidden ? 1u : 0u;
    const std::uintptr_t active = s.hidden ? 0u : (s.focused ? 1u : 0u);
    postMessage(WindowMessage{s.windows.front().get(), msg::Activate, (minimised << 16) | active, 0});
}

// Keys the show itself uses are kept from the browser; every other key (F for full screen,
// the browser's own shortcuts) goes on to the page.
bool showKey(unsigned long code) {
    return code == static_cast<unsigned long>(vk::Escape) || code == static_cast<unsigned long>(vk::Space) ||
           (code >= static_cast<unsigned long>(vk::Left) && code <= static_cast<unsigned long>(vk::Down));
}

EM_BOOL onKey(int type, const EmscriptenKeyboardEvent* e, void*) {
    State& s = state();
    if (s.windows.empty() || e->keyCode == 0) return EM_FALSE;
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    const std::uint32_t message = e->altKey ? (down ? msg::SysKeyDown : msg::SysKeyUp) : (down ? msg::KeyDown : msg::KeyUp);
    postMessage(WindowMessage{s.windows.front().get(), message, e->keyCode, 0});
    return showKey(e->keyCode) ? EM_TRUE : EM_FALSE;
}

EM_BOOL onVisibility(int, const EmscriptenVisibilityChangeEvent* e, void*) {
    state().hidden = e->hidden != 0;
    postActivation();
    return EM_FALSE;
}

EM_BOOL onFocus(int type, const EmscriptenFocusEvent*, void*) {
    state().focused = type == EMSCRIPTEN_EVENT_FOCUS;
    postActivation();
    return EM_FALSE;
}

void listen(bool on) {
    const auto* target = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(target, nullptr, EM_FALSE, on ? onKey : nullptr);
    emscripten_set_keyup_callback(target, nullptr, EM_FALSE, on ? onKey : nullptr);
    emscripten_set_focus_callback(target, nullptr, EM_FALSE, on ? onFocus : nullptr);
    emscripten_set_blur_callback(target, nullptr, EM_FALSE, on ? onFocus : nullptr);
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, on ? onVisibility : nullptr);
}

// One display frame.  A test run on virtual time moves the clock and the play position by
// one frame first, as the capture tool does; the sound output's own pass runs before each
// frame either way (the audio context asks for it too, also while the page is out of sight).
void displayFrame(void*) {
    State& s = state();
    if (!s.turn || velastria_test_holding()) return;
    const int fps = velastria_test_virtual_fps();
    if (fps > 0) {
        s.virtualClock.set(static_cast<std::uint32_t>(s.frame * 1000u / static_cast<std::uint64_t>(fps)));
        web::setVirtualAudioFrame(s.frame, fps);
    }
    web::runRepeatingSteps();
    const double start = emscripten_get_now();
    const std::optional<int> status = s.turn();
    if (fps > 0) glFinish();  // the frame's time includes drawing it
    velastria_test_frame_done(static_cast<int>(s.frame), emscripten_get_now() - start);
    ++s.frame;
    if (!status) return;
    emscripten_cancel_main_loop();
    s.turn = nullptr;
    const auto finish = std::move(s.finish);
    s.finish = nullptr;
    if (finish) finish(*status);
    velastria_page_ended(*status);
}

}  // namespace

// ---- messages ---------------------------------------------------------------------------

bool peekMessage(WindowMessage& out) { return state().takePosted(out); }

// A page never blocks: the next display frame comes when the browser has one.
bool waitMessage(std::uint32_t) { return !state().posted.empty(); }

std::intptr_t dispatchMessage(const WindowMessage& m) { return state().dispatch(m); }

void postMessage(const WindowMessage& m) { state().posted.push_back(m); }

bool handLoopToSystem(LoopTurn turn, std::function<void(int)> finish) {
    State& s = state();
    s.turn = std::move(turn);
    s.finish = std::move(finish);
    s.frame = 0;
    // The browser's own frame callback, at the display's pace; the call returns at once.
    emscripten_set_main_loop_arg(displayFrame, nullptr, 0, EM_FALSE);
    return true;
}

// ---- window, surface and context --------------------------------------------------------

bool registerClass(const std::string& className, WindowProcedure procedure, InstanceHandle instance) {
    State& s = state();
    if (!s.mayRegister(className, procedure, instance)) return false;
    // A test run on virtual time starts its clock with the program, as the capture tool does.
    if (velastria_test_virtual_fps() > 0) {
        s.virtualClock.set(0);
        setClockSource(s.virtualClock.source());
    }
    s.classes.push_back(shell::WindowClass{className, procedure, instance});
    return true;
}

bool unregisterClass(const std::string& className, InstanceHandle instance) {
    if (!state().removeClass(className, instance)) return false;
    return !failing(WindowStep::UnregisterClass);
}

// The page decides how large the picture is shown (and full screen is the viewer's F key):
// the program never changes a mode.
bool changeDisplayMode(int, int, int) { return false; }
void restoreDisplayMode() {}
bool fullscreenSwitchesMode() { return false; }
void showCursor(bool show) { state().cursorHidden = !show; }

NativeWindow* createWindow(const std::string& className, const std::string&, WindowStyle style, int width,
                           int height) {
    State& s = state();
    if (failing(WindowStep::CreateWindow) || !s.windows.empty()) return nullptr;
    const shell::WindowClass* cls = s.findClass(className);
    if (cls == nullptr || width <= 0 || height <= 0) return nullptr;
    // The drawing buffer has the picture's size whatever the page shows it at: the browser
    // scales it, so the picture is always drawn straight into it.
    if (emscripten_set_canvas_element_size(canvas, width, height) != EMSCRIPTEN_RESULT_SUCCESS) return nullptr;
    NativeWindow* made = s.addWindow(s.newWindow(*cls, style == WindowStyle::Popup));
    s.posted.clear();
    listen(true);
    return made;
}

bool destroyWindow(NativeWindow* window) {
    State& s = state();
    NativeWindow* w = findWindow(window);
    if (w == nullptr) return false;
    listen(false);
    s.removeWindow(w);
    return !failing(WindowStep::DestroyWindow);
}

void showWindow(NativeWindow* window) {
    if (findWindow(window) == nullptr) return;
    EmscriptenVisibilityChangeEvent visibility{};
    state().hidden = emscripten_get_visibility_status(&visibility) == EMSCRIPTEN_RESULT_SUCCESS && visibility.hidden;
    postActivation();
}

void setForegroundWindow(NativeWindow*) {}
void setFocus(NativeWindow*) {}
// The page keeps its own title.
void setWindowTitle(NativeWindow*, const std::string&) {}
std::string windowTitle(NativeWindow*) { return {}; }

WindowGeometry windowGeometry(NativeWindow* window) {
    WindowGeometry g;
    if (NativeWindow* w = findWindow(window)) {
        emscripten_get_canvas_element_size(canvas, &g.width, &g.height);
        g.fullscreen = w->fullscreen;
    }
    return g;
}

DeviceContext* getDeviceContext(NativeWindow* window) { return state().holdDc(window); }
bool releaseDeviceContext(NativeWindow* window, DeviceContext* dc) { return state().releaseDc(window, dc); }

int choosePixelFormat(DeviceContext* dc, const PixelFormatRequest& r) {
    if (validDc(dc) == nullptr || failing(WindowStep::ChoosePixelFormat)) return 0;
    if (!r.drawToWindow || !r.supportOpenGL || !r.rgba || r.accumBits != 0 || r.auxBuffers != 0) return 0;
    state().chosenFormat = r;
    return 1;
}

bool setPixelFormat(DeviceContext* dc, int format) {
    if (validDc(dc) == nullptr || failing(WindowStep::SetPixelFormat) || format != 1) return false;
    dc->pixelFormat = format;
    return true;
}

GlContext* createContext(DeviceContext* dc) {
    State& s = state();
    if (validDc(dc) == nullptr || dc->pixelFormat == 0 || failing(WindowStep::CreateContext)) return nullptr;
    EmscriptenWebGLContextAttributes a;
    emscripten_webgl_init_context_attributes(&a);
    a.alpha = s.chosenFormat.alphaBits > 0;
    a.depth = s.chosenFormat.depthBits > 0;
    a.stencil = s.chosenFormat.stencilBits > 0;
    a.antialias = EM_FALSE;  // the desktop picture is not multisampled either
    a.majorVersion = 1;
    a.minorVersion = 0;
    a.enableExtensionsByDefault = EM_TRUE;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle = emscripten_webgl_create_context(canvas, &a);
    if (handle <= 0) return nullptr;
    auto c = std::make_unique<GlContext>();
    c->handle = handle;
    return s.addContext(std::move(c));
}

bool makeCurrent(DeviceContext* dc, GlContext* context) {
    State& s = state();
    if (dc == nullptr && context == nullptr) {
        emscripten_webgl_make_context_current(0);
        return !failing(WindowStep::ReleaseCurrent);
    }
    if (failing(WindowStep::MakeCurrent) || validDc(dc) == nullptr || s.findContext(context) == nullptr) return false;
    if (emscripten_webgl_make_context_current(context->handle) != EMSCRIPTEN_RESULT_SUCCESS) return false;
    if (!context->ready) {
        velastria_gl_ready();
        context->ready = true;
    }
    return true;
}

bool deleteContext(GlContext* context) {
    State& s = state();
    if (s.findContext(context) == nullptr) return false;
    if (emscripten_webgl_get_current_context() == context->handle) emscripten_webgl_make_context_current(0);
    emscripten_webgl_destroy_context(context->handle);
    s.removeContext(context);
    return !failing(WindowStep::DeleteContext);
}

// The browser shows the drawing buffer when the frame callback returns.
bool swapBuffers(DeviceContext* dc) {
    if (validDc(dc) == nullptr) return false;
    backend::beforeSwap();
    return true;
}

bool syncSwapsToDisplay(DeviceContext* dc) { return validDc(dc) != nullptr; }
int displayRefreshRate(NativeWindow*) { return 0; }

// ---- mouse pointer ----------------------------------------------------------------------

// The page does not hand its pointer to the show: no free look in a browser.
bool clientOrigin(NativeWindow*, ScreenPoint&) { return false; }
bool backend::systemCursorPos(ScreenPoint&) { return false; }
bool backend::moveSystemCursor(int, int) { return false; }

// ---- test seams -------------------------------------------------------------------------

WindowResources windowResources() { return state().resources(); }

}  // namespace platform
