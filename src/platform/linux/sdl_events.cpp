// SDL's events as the desktop messages the shell understands: window events become
// activation, size and close messages, keys become virtual-key codes.
#include "platform/linux/sdl_events.h"

namespace platform::backend {

namespace {

// Virtual-key number of a key, or 0 for keys the program has no number for.
int virtualKey(const SDL_Keysym& key) {
    const SDL_Keycode k = key.sym;
    if (k >= SDLK_a && k <= SDLK_z) return static_cast<int>('A' + (k - SDLK_a));
    if (k >= SDLK_0 && k <= SDLK_9) return static_cast<int>('0' + (k - SDLK_0));
    if (k >= SDLK_F1 && k <= SDLK_F12) return 112 + static_cast<int>(k - SDLK_F1);
    if (k >= SDLK_F13 && k <= SDLK_F24) return 124 + static_cast<int>(k - SDLK_F13);
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return 97 + static_cast<int>(k - SDLK_KP_1);
    switch (k) {
        case SDLK_BACKSPACE: return 8;
        case SDLK_TAB: return 9;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return 13;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return 16;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return 17;
        case SDLK_LALT:
        case SDLK_RALT: return 18;
        case SDLK_PAUSE: return 19;
        case SDLK_CAPSLOCK: return 20;
        case SDLK_ESCAPE: return 27;
        case SDLK_SPACE: return 32;
        case SDLK_PAGEUP: return 33;
        case SDLK_PAGEDOWN: return 34;
        case SDLK_END: return 35;
        case SDLK_HOME: return 36;
        case SDLK_LEFT: return 37;
        case SDLK_UP: return 38;
        case SDLK_RIGHT: return 39;
        case SDLK_DOWN: return 40;
        case SDLK_PRINTSCREEN: return 44;
        case SDLK_INSERT: return 45;
        case SDLK_DELETE: return 46;
        case SDLK_LGUI: return 91;
        case SDLK_RGUI: return 92;
        case SDLK_APPLICATION: return 93;
        case SDLK_KP_0: return 96;
        case SDLK_KP_MULTIPLY: return 106;
        case SDLK_KP_PLUS: return 107;
        case SDLK_KP_MINUS: return 109;
        case SDLK_KP_PERIOD: return 110;
        case SDLK_KP_DIVIDE: return 111;
        case SDLK_NUMLOCKCLEAR: return 144;
        case SDLK_SCROLLLOCK: return 145;
        case SDLK_SEMICOLON: return 186;
        case SDLK_EQUALS: return 187;
        case SDLK_COMMA: return 188;
        case SDLK_MINUS: return 189;
        case SDLK_PERIOD: return 190;
        case SDLK_SLASH: return 191;
        case SDLK_BACKQUOTE: return 192;
        case SDLK_LEFTBRACKET: return 219;
        case SDLK_BACKSLASH: return 220;
        case SDLK_RIGHTBRACKET: return 221;
        case SDLK_QUOTE: return 222;
        default: break;
    }
    // Letters and digits of other keyboard layouts: number them by their place on the keyboard.
    const SDL_Scancode s = key.scancode;
    if (s >= SDL_SCANCODE_A && s <= SDL_SCANCODE_Z) return static_cast<int>('A' + (s - SDL_SCANCODE_A));
    if (s >= SDL_SCANCODE_1 && s <= SDL_SCANCODE_9) return static_cast<int>('1' + (s - SDL_SCANCODE_1));
    if (s == SDL_SCANCODE_0) return '0';
    return 0;
}

std::uintptr_t activation(bool active, bool minimised) {
    return (minimised ? 0x10000u : 0u) | (active ? 1u : 0u);
}

bool hasFocus(NativeWindow* w) { return (SDL_GetWindowFlags(sdlWindow(w)) & SDL_WINDOW_INPUT_FOCUS) != 0; }

bool isMinimised(NativeWindow* w) { return (SDL_GetWindowFlags(sdlWindow(w)) & SDL_WINDOW_MINIMIZED) != 0; }

}  // namespace

WindowMessage closeRequest() {
    // A termination request from outside (a signal, the session ending) is a close request:
    // the window procedure decides what closing means.
    WindowMessage m;
    m.window = firstWindow();
    m.message = m.window ? msg::Close : msg::Quit;
    return m;
}

bool translateEvent(const SDL_Event& e, WindowMessage& out) {
    switch (e.type) {
        case SDL_WINDOWEVENT: {
            NativeWindow* w = windowWithId(e.window.windowID);
            if (w == nullptr) return false;
            out.window = w;
            switch (e.window.event) {
                case SDL_WINDOWEVENT_SHOWN:
                case SDL_WINDOWEVENT_RESTORED:
                case SDL_WINDOWEVENT_MAXIMIZED:
                    // Visible again; whether it has the keyboard too is the window manager's
                    // to say (a focus message follows when it gives it).
                    out.message = msg::Activate;
                    out.wParam = activation(hasFocus(w), false);
                    return true;
                case SDL_WINDOWEVENT_HIDDEN:
                    // Unmapped (another virtual desktop, say): as good as minimised.
                    out.message = msg::Activate;
                    out.wParam = activation(false, true);
                    return true;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    out.message = msg::Activate;
                    out.wParam = activation(true, isMinimised(w));
                    return true;
                case SDL_WINDOWEVENT_MINIMIZED:
                    out.message = msg::Activate;
                    out.wParam = activation(false, true);
                    return true;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    out.message = msg::Activate;
                    out.wParam = activation(false, isMinimised(w));
                    return true;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    out.message = msg::Size;
                    out.lParam = static_cast<std::intptr_t>((e.window.data1 & 0xFFFF) | ((e.window.data2 & 0xFFFF) << 16));
                    return true;
                case SDL_WINDOWEVENT_CLOSE:
                    out.message = msg::Close;
                    return true;
                default: return false;
            }
        }
        case SDL_QUIT:
            out = closeRequest();
            return true;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const int code = virtualKey(e.key.keysym);
            if (code == 0) return false;
            NativeWindow* w = windowWithId(e.key.windowID);
            out.window = w ? w : firstWindow();
            if (out.window == nullptr) return false;
            const bool alt = (e.key.keysym.mod & KMOD_ALT) != 0;
            const bool down = e.type == SDL_KEYDOWN;
            out.message = down ? (alt ? msg::SysKeyDown : msg::KeyDown) : (alt ? msg::SysKeyUp : msg::KeyUp);
            out.wParam = static_cast<std::uintptr_t>(code);
            out.lParam = 1 | (e.key.repeat ? (1 << 30) : 0) | (alt ? (1 << 29) : 0);
            return true;
        }
        default: return false;
    }
}


}  // namespace platform::backend
