#include <SDL.h>

#include "platform/backend.h"
#include "platform/linux/sdl_events.h"

namespace platform::backend {
namespace {

Uint32 sdlFlags(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Exclamation: return SDL_MESSAGEBOX_WARNING;
        case MessageIcon::Stop: return SDL_MESSAGEBOX_ERROR;
        case MessageIcon::Information:
        case MessageIcon::None: break;
    }
    return SDL_MESSAGEBOX_INFORMATION;
}

bool displayAvailable() {
    if (displayRefused()) return false;
    // A box needs a real video driver; the offscreen and dummy drivers have no screen.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) {
        const char* forced = SDL_getenv("SDL_VIDEODRIVER");
        if (forced != nullptr && (SDL_strcmp(forced, "offscreen") == 0 || SDL_strcmp(forced, "dummy") == 0))
            return false;
        return SDL_getenv("DISPLAY") != nullptr || SDL_getenv("WAYLAND_DISPLAY") != nullptr;
    }
    return SDL_strcmp(driver, "offscreen") != 0 && SDL_strcmp(driver, "dummy") != 0;
}

}  // namespace

void showMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
    if (!displayAvailable()) return;
    // Tied to the show's window, the box stays above it even in full screen, and the user
    // gets a pointer to answer it with.
    NativeWindow* owner = firstWindow();
    SDL_Window* parent = owner ? sdlWindow(owner) : nullptr;
    const bool hidden = parent != nullptr && SDL_ShowCursor(SDL_QUERY) == SDL_DISABLE;
    if (hidden) SDL_ShowCursor(SDL_ENABLE);
    SDL_ShowSimpleMessageBox(sdlFlags(icon), caption.c_str(), text.c_str(), parent);
    if (hidden) SDL_ShowCursor(SDL_DISABLE);
}

// Options are typed in a terminal or a launcher's command line: standard error is seen.
bool commandLineErrorsInBox() { return false; }

}  // namespace platform::backend
