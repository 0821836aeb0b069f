// The window bookkeeping of a backend whose system has no window classes, message queue or
// device contexts of its own (the SDL and the browser backends): the classes registered,
// the windows and GL contexts made, the posted messages, and which surface is held.
// A backend keeps one WindowShell<NativeWindow, GlContext> (or a record derived from it)
// and adds to it only what its own system needs.
#pragma once

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/window.h"

namespace platform {

// Every window owns its one surface.
struct DeviceContext {
    NativeWindow* window = nullptr;
    bool held = false;  // between getDeviceContext and releaseDeviceContext
    int pixelFormat = 0;
};

namespace shell {

struct WindowClass {
    std::string name;
    WindowProcedure procedure;
    InstanceHandle instance;
};

// The parts of a window the shell itself reads; a backend's NativeWindow derives from it.
struct WindowRecord {
    std::string className;
    WindowProcedure procedure = nullptr;
    bool fullscreen = false;
    DeviceContext dc;
};

template <class Window, class Context>
struct WindowShell {
    std::vector<WindowClass> classes;
    std::vector<std::unique_ptr<Window>> windows;
    std::vector<std::unique_ptr<Context>> contexts;
    std::deque<WindowMessage> posted;
    bool cursorHidden = false;
    PixelFormatRequest chosenFormat;

    Window* findWindow(NativeWindow* window) const {
        for (const auto& w : windows)
            if (w.get() == window) return w.get();
        return nullptr;
    }

    // A surface of a live window, between getDeviceContext and releaseDeviceContext.
    DeviceContext* validDc(DeviceContext* dc) const {
        if (dc == nullptr) return nullptr;
        for (const auto& w : windows)
            if (&w->dc == dc && dc->held) return dc;
        return nullptr;
    }

    const WindowClass* findClass(const std::string& name) const {
        auto it = std::find_if(classes.begin(), classes.end(), [&](const WindowClass& c) { return c.name == name; });
        return it == classes.end() ? nullptr : &*it;
    }

    // Whether registerClass may go on: a procedure, and no class of that name and instance yet.
    bool mayRegister(const std::string& name, WindowProcedure procedure, InstanceHandle instance) const {
        if (backend::stepFails(WindowStep::RegisterClass) || procedure == nullptr) return false;
        return std::none_of(classes.begin(), classes.end(),
                            [&](const WindowClass& c) { return c.name == name && c.instance == instance; });
    }

    // Forgets the class unless it is unknown or a window of it still exists.
    bool removeClass(const std::string& name, InstanceHandle instance) {
        auto it = std::find_if(classes.begin(), classes.end(),
                               [&](const WindowClass& c) { return c.name == name && c.instance == instance; });
        if (it == classes.end()) return false;
        for (const auto& w : windows)
            if (w->className == name) return false;
        classes.erase(it);
        return true;
    }

    // A new window of a registered class, its surface pointing back at it; the caller fills
    // in its system's part and then keeps it with addWindow.
    std::unique_ptr<Window> newWindow(const WindowClass& cls, bool fullscreen) const {
        auto w = std::make_unique<Window>();
        w->className = cls.name;
        w->procedure = cls.procedure;
        w->fullscreen = fullscreen;
        w->dc.window = w.get();
        return w;
    }

    Window* addWindow(std::unique_ptr<Window> w) {
        windows.push_back(std::move(w));
        return windows.back().get();
    }

    // Forgets the window and the messages still queued for it (they have nowhere to go).
    void removeWindow(NativeWindow* window) {
        std::erase_if(windows, [&](const auto& w) { return w.get() == window; });
        std::erase_if(posted, [&](const WindowMessage& m) { return m.window == window; });
    }

    Context* findContext(GlContext* context) const {
        for (const auto& c : contexts)
            if (c.get() == context) return c.get();
        return nullptr;
    }

    Context* addContext(std::unique_ptr<Context> c) {
        contexts.push_back(std::move(c));
        return contexts.back().get();
    }

    void removeContext(GlContext* context) {
        std::erase_if(contexts, [&](const auto& c) { return c.get() == context; });
    }

    bool takePosted(WindowMessage& out) {
        if (posted.empty()) return false;
        out = posted.front();
        posted.pop_front();
        return true;
    }

    std::intptr_t dispatch(const WindowMessage& m) const {
        Window* w = findWindow(m.window);
        if (w == nullptr || w->procedure == nullptr) return 0;
        return w->procedure(w, m.message, m.wParam, m.lParam);
    }

    DeviceContext* holdDc(NativeWindow* window) {
        Window* w = findWindow(window);
        if (w == nullptr || backend::stepFails(WindowStep::GetDeviceContext)) return nullptr;
        w->dc.held = true;
        return &w->dc;
    }

    bool releaseDc(NativeWindow* window, DeviceContext* dc) {
        Window* w = findWindow(window);
        if (w == nullptr || dc != &w->dc || !dc->held) return false;
        dc->held = false;
        return !backend::stepFails(WindowStep::ReleaseDeviceContext);
    }

    WindowResources resources() const {
        WindowResources r;
        r.classes = static_cast<int>(classes.size());
        r.windows = static_cast<int>(windows.size());
        for (const auto& w : windows)
            if (w->dc.held) ++r.deviceContexts;
        r.contexts = static_cast<int>(contexts.size());
        r.cursorHidden = cursorHidden;
        return r;
    }
};

}  // namespace shell
}  // namespace platform
