#include "platform/window.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>

#include "platform/backend.h"
#include "platform/linux/sdl_events.h"
#include "platform/shell/window_shell.h"

namespace platform {

struct NativeWindow : shell::WindowRecord {
    SDL_Window* sdl = nullptr;
    Uint32 id = 0;
};

struct GlContext {
    SDL_GLContext sdl = nullptr;
    NativeWindow* window = nullptr;
};

namespace {

// The one display this layer drives; all of it lives on the thread that opened the window.
struct State : shell::WindowShell<NativeWindow, GlContext> {
    bool modeChanged = false;
    SDL_DisplayMode reservedMode{};
};

State& state() {
    static State s;
    return s;
}

bool refusedForNoDisplay = false;

bool failing(WindowStep step) { return backend::stepFails(step); }

// When no display answers, SDL quietly falls back on a driver without a screen: the show
// would then play unseen to its end. Only a caller that named such a driver gets one.
bool screenlessUnasked() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || (SDL_strcmp(driver, "offscreen") != 0 && SDL_strcmp(driver, "dummy") != 0))
        return false;
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);  // SDL_VIDEODRIVER, a name or a list
    return asked == nullptr || SDL_strstr(asked, driver) == nullptr;
}

NativeWindow* findWindow(NativeWindow* window) { return state().findWindow(window); }
DeviceContext* validDc(DeviceContext* dc) { return state().validDc(dc); }

void applyGlAttributes(const PixelFormatRequest& r) {
    const int channel = r.colorBits >= 24 ? 8 : 5;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, r.doubleBuffer ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, r.colorBits == 16 ? 6 : channel);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, r.alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, r.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, r.stencilBits);
    const int accum = r.accumBits / 4;
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 0);
}

}  // namespace

NativeWindow* backend::windowWithId(Uint32 id) {
    for (auto& w : state().windows)
        if (w->id == id) return w.get();
    return nullptr;
}

bool backend::displayRefused() { return refusedForNoDisplay; }

NativeWindow* backend::firstWindow() { return state().windows.empty() ? nullptr : state().windows.front().get(); }

SDL_Window* backend::sdlWindow(NativeWindow* window) {
    NativeWindow* w = findWindow(window);
    return w ? w->sdl : nullptr;
}

// ---- messages ---------------------------------------------------------------------------

bool peekMessage(WindowMessage& out) {
    if (state().takePosted(out)) return true;
    if (backend::takeTerminationRequest()) {
        out = backend::closeRequest();
        return true;
    }
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    // Pump and take directly: SDL_PollEvent would report an empty queue once per pump round
    // even with events waiting, and a waiting message must always come before a frame.
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
        WindowMessage m;
        if (backend::translateEvent(e, m)) {
            out = m;
            return true;
        }
    }
    return false;
}

bool waitMessage(std::uint32_t timeoutMs) {
    if (!state().posted.empty()) return true;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        SDL_Delay(timeoutMs);
        return false;
    }
    // Events the shell has no message for (mouse motion, say) also end the wait; the caller
    // then finds the queue empty and waits again.
    return SDL_WaitEventTimeout(nullptr, static_cast<int>(timeoutMs)) == 1;
}

std::intptr_t dispatchMessage(const WindowMessage& m) { return state().dispatch(m); }

void postMessage(const WindowMessage& m) { state().posted.push_back(m); }

// A desktop program runs its own loop.
bool handLoopToSystem(LoopTurn, std::function<void(int)>) { return false; }

// ---- window, surface and context --------------------------------------------------------

bool registerClass(const std::string& className, WindowProcedure procedure, InstanceHandle instance) {
    State& s = state();
    if (!s.mayRegister(className, procedure, instance)) return false;
    backend::watchTerminationSignals();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    s.classes.push_back(shell::WindowClass{className, procedure, instance});
    return true;
}

bool unregisterClass(const std::string& className, InstanceHandle instance) {
    if (!state().removeClass(className, instance)) return false;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return !failing(WindowStep::UnregisterClass);
}

bool changeDisplayMode(int width, int height, int bitsPerPixel) {
    State& s = state();
    if (failing(WindowStep::ChangeDisplayMode) || SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    // Only a mode the display lists with exactly this size will do: SDL would otherwise
    // settle quietly for the nearest one (or, on drivers without a mode list, any size).
    // A 32-bit desktop mode carries 24 colour bits; ask for no more than that.
    const int wantedBits = std::min(bitsPerPixel, 24);
    SDL_DisplayMode got{};
    bool found = false;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m{};
        if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
        if (m.w != width || m.h != height || static_cast<int>(SDL_BITSPERPIXEL(m.format)) < wantedBits) continue;
        if (!found || SDL_BITSPERPIXEL(m.format) > SDL_BITSPERPIXEL(got.format)) got = m;
        found = true;
    }
    if (!found) return false;
    s.reservedMode = got;
    s.modeChanged = true;
    return true;
}

void restoreDisplayMode() {
    State& s = state();
    for (auto& w : s.windows)
        if (w->fullscreen) {
            SDL_SetWindowFullscreen(w->sdl, 0);
            w->fullscreen = false;
        }
    s.modeChanged = false;
}

void backend::leaveChangedDisplayMode() {
    // Only the switched mode needs undoing; the window goes with the process.
    for (auto& w : state().windows)
        if (w->fullscreen) SDL_SetWindowFullscreen(w->sdl, 0);
}

bool fullscreenSwitchesMode() { return false; }

void showCursor(bool show) {
    State& s = state();
    s.cursorHidden = !show;
    // SDL's pointer code wants a live surface: some compositors' cursor handling crashes
    // when called with none, so without a window only the wish is kept (createWindow applies it).
    if (s.windows.empty()) return;
    const bool shown = SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE;
    if (shown == show) return;
    // Showing needs a surface under the pointer too; without one the desktop's own pointer
    // is what the user already sees.
    if (show && SDL_GetMouseFocus() == nullptr) return;
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

NativeWindow* createWindow(const std::string& className, const std::string& title, WindowStyle style, int width,
                           int height) {
    State& s = state();
    if (failing(WindowStep::CreateWindow)) return nullptr;
    const shell::WindowClass* cls = s.findClass(className);
    if (cls == nullptr || width <= 0 || height <= 0) return nullptr;
    if (screenlessUnasked()) {
        refusedForNoDisplay = true;
        const char* x = SDL_getenv("DISPLAY");
        const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
        std::fprintf(stderr, "no display answers (DISPLAY=%s, WAYLAND_DISPLAY=%s)\n", x ? x : "(unset)",
                     wayland ? wayland : "(unset)");
        return nullptr;
    }

    // The drawable's pixel layout is fixed when the window is made; make it the usual one
    // (the pixel format chosen later must agree with it).
    applyGlAttributes(PixelFormatRequest{});
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    const bool fullscreen = style == WindowStyle::Popup && s.modeChanged;
    int x = 0, y = 0;
    if (style == WindowStyle::Popup) flags |= SDL_WINDOW_BORDERLESS;
    if (fullscreen) {
        flags |= SDL_WINDOW_FULLSCREEN;
    } else if (style == WindowStyle::Popup) {
        // Sized to the screen by hand as well: without a window manager (a bare X server)
        // nobody would honour the full-screen request.
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        SDL_Rect bounds{};
        if (SDL_GetDisplayBounds(0, &bounds) == 0 && bounds.w > 0 && bounds.h > 0) {
            x = bounds.x;
            y = bounds.y;
            width = bounds.w;
            height = bounds.h;
        }
    } else {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    SDL_Window* sdl = SDL_CreateWindow(title.c_str(), x, y, width, height, flags);
    if (sdl == nullptr) return nullptr;
    if (fullscreen && SDL_SetWindowDisplayMode(sdl, &s.reservedMode) != 0) {
        SDL_DestroyWindow(sdl);
        return nullptr;
    }
    auto w = s.newWindow(*cls, fullscreen);
    w->sdl = sdl;
    w->id = SDL_GetWindowID(sdl);
    NativeWindow* made = s.addWindow(std::move(w));
    // No screen saver and no monitor power-down while the program's window exists.
    SDL_DisableScreenSaver();
    if (s.cursorHidden) SDL_ShowCursor(SDL_DISABLE);
    return made;
}

bool destroyWindow(NativeWindow* window) {
    State& s = state();
    NativeWindow* w = findWindow(window);
    if (w == nullptr) return false;
    for (auto& c : s.contexts)
        if (c->window == w) c->window = nullptr;
    SDL_DestroyWindow(w->sdl);
    s.removeWindow(w);
    if (s.windows.empty()) SDL_EnableScreenSaver();
    return !failing(WindowStep::DestroyWindow);
}

void showWindow(NativeWindow* window) {
    NativeWindow* w = findWindow(window);
    if (w == nullptr) return;
    SDL_ShowWindow(w->sdl);
    if ((SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_FULLSCREEN) == 0) {
        // Place the outer frame, not the client area, at the screen's top-left corner.
        int top = 0, left = 0;
        if (SDL_GetWindowBordersSize(w->sdl, &top, &left, nullptr, nullptr) == 0) SDL_SetWindowPosition(w->sdl, left, top);
    }
}

void setForegroundWindow(NativeWindow* window) {
    if (NativeWindow* w = findWindow(window)) SDL_RaiseWindow(w->sdl);
}

void setFocus(NativeWindow* window) {
    if (NativeWindow* w = findWindow(window)) SDL_SetWindowInputFocus(w->sdl);
}

void setWindowTitle(NativeWindow* window, const std::string& title) {
    if (NativeWindow* w = findWindow(window)) SDL_SetWindowTitle(w->sdl, title.c_str());
}

std::string windowTitle(NativeWindow* window) {
    NativeWindow* w = findWindow(window);
    return w ? std::string(SDL_GetWindowTitle(w->sdl)) : std::string();
}

WindowGeometry windowGeometry(NativeWindow* window) {
    WindowGeometry g;
    if (NativeWindow* w = findWindow(window)) {
        SDL_GetWindowSize(w->sdl, &g.width, &g.height);
        g.fullscreen = (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_FULLSCREEN) != 0;
    }
    return g;
}

DeviceContext* getDeviceContext(NativeWindow* window) { return state().holdDc(window); }
bool releaseDeviceContext(NativeWindow* window, DeviceContext* dc) { return state().releaseDc(window, dc); }

int choosePixelFormat(DeviceContext* dc, const PixelFormatRequest& r) {
    if (validDc(dc) == nullptr || failing(WindowStep::ChoosePixelFormat)) return 0;
    // Only OpenGL-capable RGBA window surfaces exist here.
    if (!r.drawToWindow || !r.supportOpenGL || !r.rgba) return 0;
    if (r.colorBits != 15 && r.colorBits != 16 && r.colorBits != 24 && r.colorBits != 32) return 0;
    if (r.depthBits < 0 || r.depthBits > 32 || r.stencilBits < 0 || r.stencilBits > 8 || r.alphaBits < 0 ||
        r.alphaBits > 8 || r.accumBits < 0 || r.accumBits > 64 || r.auxBuffers != 0)
        return 0;
    state().chosenFormat = r;
    return 1;
}

bool setPixelFormat(DeviceContext* dc, int format) {
    if (validDc(dc) == nullptr || failing(WindowStep::SetPixelFormat) || format != 1) return false;
    // A surface takes one pixel format for its whole life.
    if (dc->pixelFormat != 0 && dc->pixelFormat != format) return false;
    dc->pixelFormat = format;
    return true;
}

GlContext* createContext(DeviceContext* dc) {
    State& s = state();
    if (validDc(dc) == nullptr || dc->pixelFormat == 0 || failing(WindowStep::CreateContext)) return nullptr;
    applyGlAttributes(s.chosenFormat);
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    SDL_GLContext ctx = SDL_GL_CreateContext(dc->window->sdl);
    if (ctx == nullptr) return nullptr;
    // Creating binds the new context; binding it is the caller's separate step.
    SDL_GL_MakeCurrent(previousWindow, previous);
    auto c = std::make_unique<GlContext>();
    c->sdl = ctx;
    c->window = dc->window;
    return s.addContext(std::move(c));
}

bool makeCurrent(DeviceContext* dc, GlContext* context) {
    State& s = state();
    if (dc == nullptr && context == nullptr) {
        const bool ok = SDL_GL_GetCurrentContext() == nullptr || SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr) == 0;
        return ok && !failing(WindowStep::ReleaseCurrent);
    }
    if (failing(WindowStep::MakeCurrent) || validDc(dc) == nullptr || s.findContext(context) == nullptr) return false;
    return SDL_GL_MakeCurrent(dc->window->sdl, context->sdl) == 0;
}

bool deleteContext(GlContext* context) {
    State& s = state();
    if (s.findContext(context) == nullptr) return false;
    if (SDL_GL_GetCurrentContext() == context->sdl) SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr);
    SDL_GL_DeleteContext(context->sdl);
    s.removeContext(context);
    return !failing(WindowStep::DeleteContext);
}

bool swapBuffers(DeviceContext* dc) {
    if (validDc(dc) == nullptr) return false;
    backend::beforeSwap();
    SDL_GL_SwapWindow(dc->window->sdl);
    return true;
}

bool syncSwapsToDisplay(DeviceContext* dc) {
    if (validDc(dc) == nullptr) return false;
    // Late swap tearing where the driver offers it, plain vertical sync otherwise.
    return SDL_GL_SetSwapInterval(-1) == 0 || SDL_GL_SetSwapInterval(1) == 0;
}

int displayRefreshRate(NativeWindow* window) {
    NativeWindow* w = findWindow(window);
    const int display = w ? SDL_GetWindowDisplayIndex(w->sdl) : 0;
    SDL_DisplayMode mode{};
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &mode) != 0) return 0;
    return mode.refresh_rate;
}

// ---- mouse pointer ----------------------------------------------------------------------

bool clientOrigin(NativeWindow* window, ScreenPoint& out) {
    NativeWindow* w = findWindow(window);
    if (w == nullptr) return false;
    SDL_GetWindowPosition(w->sdl, &out.x, &out.y);  // the client area's corner, not the frame's
    return true;
}

bool backend::systemCursorPos(ScreenPoint& out) {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    SDL_GetGlobalMouseState(&out.x, &out.y);
    return true;
}

bool backend::moveSystemCursor(int x, int y) {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    return SDL_WarpMouseGlobal(x, y) == 0;
}

// ---- test seams -------------------------------------------------------------------------

WindowResources windowResources() {
    const State& s = state();
    WindowResources r = s.resources();
    r.modeChanged = s.modeChanged;
    r.screenSaverEnabled = SDL_WasInit(SDL_INIT_VIDEO) == 0 || SDL_IsScreenSaverEnabled() == SDL_TRUE;
    return r;
}

}  // namespace platform
