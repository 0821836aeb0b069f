#include <SDL.h>

#include "platform/backend.h"

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
    if (displayAvailable()) SDL_ShowSimpleMessageBox(sdlFlags(icon), caption.c_str(), text.c_str(), nullptr);
}

// Options are typed in a terminal or a launcher's command line: standard error is seen.
bool commandLineErrorsInBox() { return false; }

}  // namespace platform::backend
