#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <mutex>
#include <utility>

namespace platform {
namespace {

std::mutex sinkMutex;
MessageSink installedSink;

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

void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) {
    MessageSink sink;
    {
        std::lock_guard<std::mutex> lock(sinkMutex);
        sink = installedSink;
    }
    if (sink) {
        sink(Message{text, caption, icon});
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    if (displayAvailable()) SDL_ShowSimpleMessageBox(sdlFlags(icon), caption.c_str(), text.c_str(), nullptr);
}

void setMessageSink(MessageSink sink) {
    std::lock_guard<std::mutex> lock(sinkMutex);
    installedSink = std::move(sink);
}

}  // namespace platform
