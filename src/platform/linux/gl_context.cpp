#include <SDL.h>
#include <GL/gl.h>

#include <cstdio>

#include "platform/backend.h"
#include "platform/gl_context.h"

namespace platform {

namespace backend {

bool glContextCurrent() { return SDL_GL_GetCurrentContext() != nullptr; }
void* glEntryPoint(const char* name) { return SDL_GL_GetProcAddress(name); }
bool glExtensionOffered(const char* name) { return SDL_GL_ExtensionSupported(name) == SDL_TRUE; }

}  // namespace backend

OffscreenContext::OffscreenContext(int width, int height, int samples) : w(width), h(height) {
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
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 1 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples > 1 ? samples : 0);
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
    // The attributes are process-wide: the next window must not inherit the samples.
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
}

OffscreenContext::~OffscreenContext() {
    if (context != nullptr) {
        SDL_GL_MakeCurrent(static_cast<SDL_Window*>(window), nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context));
    }
    if (window != nullptr) SDL_DestroyWindow(static_cast<SDL_Window*>(window));
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void OffscreenContext::swap() { SDL_GL_SwapWindow(static_cast<SDL_Window*>(window)); }

}  // namespace platform
