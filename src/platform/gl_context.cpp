#include "platform/gl_context.h"

#include <SDL.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace platform {
namespace {

std::vector<std::string>& hiddenNames() {
    static std::vector<std::string> names;
    return names;
}

bool hidden(const char* name) {
    const auto& names = hiddenNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

void* glProcAddress(const char* name) { return hidden(name) ? nullptr : SDL_GL_GetProcAddress(name); }

bool glHasExtension(const char* name) {
    return !hidden(name) && SDL_GL_GetCurrentContext() != nullptr && SDL_GL_ExtensionSupported(name) == SDL_TRUE;
}

bool glVersionAtLeast(int major, int minor) {
    if (SDL_GL_GetCurrentContext() == nullptr) return false;
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int maj = 0, min = 0;
    if (version == nullptr || std::sscanf(version, "%d.%d", &maj, &min) != 2) return false;
    return maj > major || (maj == major && min >= minor);
}

void hideGlNames(std::vector<std::string> names) { hiddenNames() = std::move(names); }

OffscreenContext::OffscreenContext(int width, int height) : w(width), h(height) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "offscreen context: SDL video: %s\n", SDL_GetError());
        return;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_Window* win = SDL_CreateWindow("offscreen", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (win == nullptr) {
        std::fprintf(stderr, "offscreen context: window: %s\n", SDL_GetError());
        return;
    }
    SDL_GLContext ctx = SDL_GL_CreateContext(win);
    if (ctx == nullptr || SDL_GL_MakeCurrent(win, ctx) != 0) {
        std::fprintf(stderr, "offscreen context: GL context: %s\n", SDL_GetError());
        if (ctx != nullptr) SDL_GL_DeleteContext(ctx);
        SDL_DestroyWindow(win);
        return;
    }
    window = win;
    context = ctx;
}

OffscreenContext::~OffscreenContext() {
    if (context != nullptr) {
        SDL_GL_MakeCurrent(static_cast<SDL_Window*>(window), nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context));
    }
    if (window != nullptr) SDL_DestroyWindow(static_cast<SDL_Window*>(window));
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

std::vector<std::uint8_t> OffscreenContext::readPixels() const {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    // OpenGL gives the bottom row first; flip so callers see the picture top row first.
    const std::size_t stride = static_cast<std::size_t>(w) * 3;
    for (int y = 0; y < h / 2; ++y) {
        auto* a = rgb.data() + static_cast<std::size_t>(y) * stride;
        auto* b = rgb.data() + static_cast<std::size_t>(h - 1 - y) * stride;
        for (std::size_t i = 0; i < stride; ++i) std::swap(a[i], b[i]);
    }
    return rgb;
}

void OffscreenContext::swap() { SDL_GL_SwapWindow(static_cast<SDL_Window*>(window)); }

}  // namespace platform
