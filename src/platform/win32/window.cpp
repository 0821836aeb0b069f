#include "platform/window.h"

#include <windows.h>
// The system's names for its A/W variants would rename the steps of WindowStep.
#undef CreateWindow
#undef RegisterClass
#undef UnregisterClass

#include <algorithm>
#include <array>
#include <memory>

#include "platform/backend.h"

namespace platform {

struct DeviceContext {
    NativeWindow* window = nullptr;
    HDC hdc = nullptr;  // between getDeviceContext and releaseDeviceContext
    int pixelFormat = 0;
};

struct NativeWindow {
    HWND hwnd = nullptr;
    std::string className;
    WindowProcedure procedure = nullptr;
    bool fullscreen = false;
    DeviceContext dc;  // the class asks for one device context per window
};

struct GlContext {
    HGLRC rc = nullptr;
};

namespace {

struct WindowClass {
    std::string name;
    WindowProcedure procedure;
    InstanceHandle instance;
};

// Everything lives on the thread that opened the window, as the system requires.
struct State {
    std::vector<WindowClass> classes;
    std::vector<std::unique_ptr<NativeWindow>> windows;
    std::vector<std::unique_ptr<GlContext>> contexts;
    MSG lastMessage{};  // the message peekMessage handed out, for translate and dispatch
    bool modeChanged = false;
    DEVMODEA changedMode{};   // the mode asked for, to put back when the window is active again
    bool modeSuspended = false;  // the desktop's mode is back while another program is active
    bool cursorHidden = false;
    PIXELFORMATDESCRIPTOR chosenFormat{};
};

State& state() {
    static State s;
    return s;
}

bool failing(WindowStep step) { return backend::stepFails(step); }

HINSTANCE instanceHandle() { return GetModuleHandleA(nullptr); }

NativeWindow* findWindow(NativeWindow* window) {
    for (auto& w : state().windows)
        if (w.get() == window) return w.get();
    return nullptr;
}

NativeWindow* findWindow(HWND hwnd) {
    for (auto& w : state().windows)
        if (w->hwnd == hwnd && hwnd != nullptr) return w.get();
    return nullptr;
}

DeviceContext* validDc(DeviceContext* dc) {
    if (dc == nullptr) return nullptr;
    for (auto& w : state().windows)
        if (&w->dc == dc && dc->hdc != nullptr) return dc;
    return nullptr;
}

// A changed display mode belongs to the show only while it is the active program: leaving
// it at 640x480 behind another program's window would strand the desktop's windows off
// screen.  Deactivated, the desktop gets its mode back and the show is minimised; activated
// again, it takes the mode back and its place.
void followActivation(NativeWindow* w, bool active) {
    State& s = state();
    if (!w->fullscreen || (!s.modeChanged && !s.modeSuspended)) return;
    if (!active && s.modeChanged && !s.modeSuspended) {
        s.modeSuspended = true;
        ChangeDisplaySettingsA(nullptr, 0);
        ShowWindow(w->hwnd, SW_MINIMIZE);
    } else if (active && s.modeSuspended) {
        s.modeSuspended = false;
        if (ChangeDisplaySettingsA(&s.changedMode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL) {
            ShowWindow(w->hwnd, SW_RESTORE);
            SetWindowPos(w->hwnd, HWND_TOP, 0, 0, static_cast<int>(s.changedMode.dmPelsWidth),
                         static_cast<int>(s.changedMode.dmPelsHeight), SWP_NOACTIVATE);
        } else {
            s.modeChanged = false;  // the display no longer has it: the desktop's mode stays
        }
    }
}

// The class's window procedure: hands every message of our windows to the procedure the
// class was registered with, numbers unchanged (they are the system's own).
LRESULT CALLBACK classProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* w = reinterpret_cast<NativeWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        w = static_cast<NativeWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
        if (w != nullptr) w->hwnd = hwnd;
    }
    if (w == nullptr || w->procedure == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_ACTIVATE) followActivation(w, LOWORD(wParam) != WA_INACTIVE);
    return w->procedure(w, message, wParam, lParam);
}

MSG systemMessage(const WindowMessage& m) {
    const MSG& last = state().lastMessage;
    if (last.message == m.message && last.wParam == m.wParam && last.lParam == m.lParam) return last;
    MSG out{};
    out.hwnd = m.window != nullptr ? m.window->hwnd : nullptr;
    out.message = m.message;
    out.wParam = m.wParam;
    out.lParam = m.lParam;
    return out;
}

// Keeps the display on and the screen saver away while a window of ours exists.
void holdDisplay(bool hold) { SetThreadExecutionState(hold ? (ES_CONTINUOUS | ES_DISPLAY_REQUIRED) : ES_CONTINUOUS); }

}  // namespace

InstanceHandle moduleInstance() { return instanceHandle(); }

// ---- messages ---------------------------------------------------------------------------

bool peekMessage(WindowMessage& out) {
    MSG m;
    if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) return false;
    state().lastMessage = m;
    out.window = findWindow(m.hwnd);
    out.message = m.message;
    out.wParam = m.wParam;
    out.lParam = m.lParam;
    return true;
}

void translateMessage(const WindowMessage& m) {
    const MSG sm = systemMessage(m);
    TranslateMessage(&sm);
}

std::intptr_t dispatchMessage(const WindowMessage& m) {
    const MSG sm = systemMessage(m);
    return DispatchMessageA(&sm);
}

std::intptr_t defaultWindowProcedure(NativeWindow* window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) {
    NativeWindow* w = findWindow(window);
    if (w == nullptr) return 0;
    return DefWindowProcA(w->hwnd, message, wParam, lParam);
}

bool waitMessage(std::uint32_t timeoutMs) {
    MSG m;
    if (PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE)) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs, QS_ALLINPUT);
    return PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE) != FALSE;
}

void postQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

void postMessage(const WindowMessage& m) {
    if (NativeWindow* w = findWindow(m.window))
        PostMessageA(w->hwnd, m.message, m.wParam, m.lParam);
    else
        PostThreadMessageA(GetCurrentThreadId(), m.message, m.wParam, m.lParam);
}

// A desktop program runs its own loop.
bool handLoopToSystem(LoopTurn, std::function<void(int)>) { return false; }

// ---- window, surface and context --------------------------------------------------------

bool registerClass(const std::string& className, WindowProcedure procedure, InstanceHandle instance) {
    State& s = state();
    if (failing(WindowStep::RegisterClass) || procedure == nullptr) return false;
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = &classProcedure;
    wc.hInstance = instanceHandle();
    wc.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32517));  // IDI_WINLOGO
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.lpszClassName = className.c_str();
    if (RegisterClassA(&wc) == 0) return false;
    s.classes.push_back(WindowClass{className, procedure, instance});
    return true;
}

bool unregisterClass(const std::string& className, InstanceHandle instance) {
    State& s = state();
    auto it = std::find_if(s.classes.begin(), s.classes.end(),
                           [&](const WindowClass& c) { return c.name == className && c.instance == instance; });
    if (it == s.classes.end()) return false;
    if (!UnregisterClassA(className.c_str(), instanceHandle())) return false;  // still in use
    s.classes.erase(it);
    return !failing(WindowStep::UnregisterClass);
}

bool changeDisplayMode(int width, int height, int bitsPerPixel) {
    if (failing(WindowStep::ChangeDisplayMode)) return false;
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = static_cast<DWORD>(bitsPerPixel);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return false;
    state().modeChanged = true;
    state().changedMode = mode;
    return true;
}

void restoreDisplayMode() {
    State& s = state();
    const bool changed = s.modeChanged && !s.modeSuspended;
    s.modeChanged = false;
    s.modeSuspended = false;
    if (!changed) return;
    ChangeDisplaySettingsA(nullptr, 0);
    for (auto& w : s.windows) w->fullscreen = false;
}

// Windows display drivers offer 640x480 as a matter of course: the real mode change stays
// the default there.
bool fullscreenSwitchesMode() { return true; }

void showCursor(bool show) {
    State& s = state();
    // The system counts shows and hides; keep the count balanced.
    if (s.cursorHidden == !show) return;
    ShowCursor(show ? TRUE : FALSE);
    s.cursorHidden = !show;
}

NativeWindow* createWindow(const std::string& className, const std::string& title, WindowStyle style, int width,
                           int height) {
    State& s = state();
    if (failing(WindowStep::CreateWindow)) return nullptr;
    auto cls = std::find_if(s.classes.begin(), s.classes.end(),
                            [&](const WindowClass& c) { return c.name == className; });
    if (cls == s.classes.end() || width <= 0 || height <= 0) return nullptr;

    const bool popup = style == WindowStyle::Popup;
    const DWORD exStyle = popup ? WS_EX_APPWINDOW : (WS_EX_APPWINDOW | WS_EX_WINDOWEDGE);
    const DWORD windowStyle = popup ? WS_POPUP : WS_OVERLAPPEDWINDOW;
    if (popup && !s.modeChanged) {
        // Full screen at the desktop's own mode: the window covers the primary screen.
        width = GetSystemMetrics(SM_CXSCREEN);
        height = GetSystemMetrics(SM_CYSCREEN);
    }
    RECT outer{0, 0, width, height};  // grown to the frame around a client area of this size
    AdjustWindowRectEx(&outer, windowStyle, FALSE, exStyle);

    auto w = std::make_unique<NativeWindow>();
    w->className = className;
    w->procedure = cls->procedure;
    w->fullscreen = popup;
    w->dc.window = w.get();
    NativeWindow* raw = w.get();
    s.windows.push_back(std::move(w));  // findable while creation already sends messages
    HWND hwnd = CreateWindowExA(exStyle, className.c_str(), title.c_str(),
                                windowStyle | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, outer.right - outer.left,
                                outer.bottom - outer.top, nullptr, nullptr, instanceHandle(), raw);
    if (hwnd == nullptr) {
        s.windows.pop_back();
        return nullptr;
    }
    raw->hwnd = hwnd;
    holdDisplay(true);
    return raw;
}

bool destroyWindow(NativeWindow* window) {
    State& s = state();
    NativeWindow* w = findWindow(window);
    if (w == nullptr) return false;
    const bool ok = DestroyWindow(w->hwnd) != FALSE;
    s.windows.erase(std::find_if(s.windows.begin(), s.windows.end(), [&](const auto& p) { return p.get() == w; }));
    if (s.windows.empty()) holdDisplay(false);
    return ok && !failing(WindowStep::DestroyWindow);
}

void showWindow(NativeWindow* window) {
    if (NativeWindow* w = findWindow(window)) ShowWindow(w->hwnd, SW_SHOW);
}

void setForegroundWindow(NativeWindow* window) {
    if (NativeWindow* w = findWindow(window)) SetForegroundWindow(w->hwnd);
}

void setFocus(NativeWindow* window) {
    if (NativeWindow* w = findWindow(window)) SetFocus(w->hwnd);
}

void setWindowTitle(NativeWindow* window, const std::string& title) {
    if (NativeWindow* w = findWindow(window)) SetWindowTextA(w->hwnd, title.c_str());
}

std::string windowTitle(NativeWindow* window) {
    NativeWindow* w = findWindow(window);
    if (w == nullptr) return {};
    std::array<char, 512> text{};
    const int length = GetWindowTextA(w->hwnd, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), static_cast<std::size_t>(std::max(length, 0)));
}

WindowGeometry windowGeometry(NativeWindow* window) {
    WindowGeometry g;
    if (NativeWindow* w = findWindow(window)) {
        RECT client{};
        GetClientRect(w->hwnd, &client);
        g.width = client.right - client.left;
        g.height = client.bottom - client.top;
        g.fullscreen = w->fullscreen;
    }
    return g;
}

DeviceContext* getDeviceContext(NativeWindow* window) {
    NativeWindow* w = findWindow(window);
    if (w == nullptr || failing(WindowStep::GetDeviceContext)) return nullptr;
    if (w->dc.hdc == nullptr) w->dc.hdc = GetDC(w->hwnd);
    return w->dc.hdc != nullptr ? &w->dc : nullptr;
}

bool releaseDeviceContext(NativeWindow* window, DeviceContext* dc) {
    NativeWindow* w = findWindow(window);
    if (w == nullptr || dc != &w->dc || dc->hdc == nullptr) return false;
    const bool ok = ReleaseDC(w->hwnd, dc->hdc) != 0;
    dc->hdc = nullptr;
    return ok && !failing(WindowStep::ReleaseDeviceContext);
}

int choosePixelFormat(DeviceContext* dc, const PixelFormatRequest& r) {
    if (validDc(dc) == nullptr || failing(WindowStep::ChoosePixelFormat)) return 0;
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = (r.drawToWindow ? PFD_DRAW_TO_WINDOW : 0) | (r.supportOpenGL ? PFD_SUPPORT_OPENGL : 0) |
                  (r.doubleBuffer ? PFD_DOUBLEBUFFER : 0);
    pfd.iPixelType = r.rgba ? PFD_TYPE_RGBA : PFD_TYPE_COLORINDEX;
    pfd.cColorBits = static_cast<BYTE>(r.colorBits);
    pfd.cAlphaBits = static_cast<BYTE>(r.alphaBits);
    pfd.cAccumBits = static_cast<BYTE>(r.accumBits);
    pfd.cDepthBits = static_cast<BYTE>(r.depthBits);
    pfd.cStencilBits = static_cast<BYTE>(r.stencilBits);
    pfd.cAuxBuffers = static_cast<BYTE>(r.auxBuffers);
    pfd.iLayerType = PFD_MAIN_PLANE;
    state().chosenFormat = pfd;
    return ChoosePixelFormat(dc->hdc, &pfd);
}

bool setPixelFormat(DeviceContext* dc, int format) {
    if (validDc(dc) == nullptr || failing(WindowStep::SetPixelFormat) || format <= 0) return false;
    if (!SetPixelFormat(dc->hdc, format, &state().chosenFormat)) return false;
    dc->pixelFormat = format;
    return true;
}

GlContext* createContext(DeviceContext* dc) {
    State& s = state();
    if (validDc(dc) == nullptr || dc->pixelFormat == 0 || failing(WindowStep::CreateContext)) return nullptr;
    HGLRC rc = wglCreateContext(dc->hdc);
    if (rc == nullptr) return nullptr;
    auto c = std::make_unique<GlContext>();
    c->rc = rc;
    s.contexts.push_back(std::move(c));
    return s.contexts.back().get();
}

bool makeCurrent(DeviceContext* dc, GlContext* context) {
    State& s = state();
    if (dc == nullptr && context == nullptr)
        return wglMakeCurrent(nullptr, nullptr) != FALSE && !failing(WindowStep::ReleaseCurrent);
    if (failing(WindowStep::MakeCurrent) || validDc(dc) == nullptr) return false;
    auto it = std::find_if(s.contexts.begin(), s.contexts.end(), [&](const auto& c) { return c.get() == context; });
    if (it == s.contexts.end()) return false;
    return wglMakeCurrent(dc->hdc, context->rc) != FALSE;
}

bool deleteContext(GlContext* context) {
    State& s = state();
    auto it = std::find_if(s.contexts.begin(), s.contexts.end(), [&](const auto& c) { return c.get() == context; });
    if (it == s.contexts.end()) return false;
    if (wglGetCurrentContext() == context->rc) wglMakeCurrent(nullptr, nullptr);
    const bool ok = wglDeleteContext(context->rc) != FALSE;
    s.contexts.erase(it);
    return ok && !failing(WindowStep::DeleteContext);
}

bool swapBuffers(DeviceContext* dc) {
    if (validDc(dc) == nullptr) return false;
    backend::beforeSwap();
    return SwapBuffers(dc->hdc) != FALSE;
}

bool syncSwapsToDisplay(DeviceContext* dc) {
    if (validDc(dc) == nullptr) return false;
    using SwapIntervalFn = BOOL(WINAPI*)(int);
    auto setInterval = reinterpret_cast<SwapIntervalFn>(backend::glEntryPoint("wglSwapIntervalEXT"));
    if (setInterval == nullptr) return false;
    // Late swap tearing (-1) where the driver offers it, plain vertical sync otherwise.
    if (backend::glExtensionOffered("WGL_EXT_swap_control_tear") && setInterval(-1)) return true;
    return setInterval(1) != FALSE;
}

int displayRefreshRate(NativeWindow*) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return 0;
    // 0 and 1 stand for the hardware's default rate, which the system does not name.
    return mode.dmDisplayFrequency > 1 ? static_cast<int>(mode.dmDisplayFrequency) : 0;
}

// ---- mouse pointer ----------------------------------------------------------------------

bool clientOrigin(NativeWindow* window, ScreenPoint& out) {
    NativeWindow* w = findWindow(window);
    if (w == nullptr) return false;
    POINT p{0, 0};
    if (!ClientToScreen(w->hwnd, &p)) return false;
    out = ScreenPoint{p.x, p.y};
    return true;
}

bool backend::systemCursorPos(ScreenPoint& out) {
    POINT p{};
    if (!GetCursorPos(&p)) return false;
    out = ScreenPoint{p.x, p.y};
    return true;
}

bool backend::moveSystemCursor(int x, int y) {
    return SetCursorPos(x, y) != FALSE;
}

// ---- test seams -------------------------------------------------------------------------

WindowResources windowResources() {
    const State& s = state();
    WindowResources r;
    r.classes = static_cast<int>(s.classes.size());
    r.windows = static_cast<int>(s.windows.size());
    for (const auto& w : s.windows)
        if (w->dc.hdc != nullptr) ++r.deviceContexts;
    r.contexts = static_cast<int>(s.contexts.size());
    r.modeChanged = s.modeChanged;
    r.cursorHidden = s.cursorHidden;
    r.screenSaverEnabled = s.windows.empty();
    return r;
}

}  // namespace platform
