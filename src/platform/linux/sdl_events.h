// What the SDL backend's event translation and its window code share (private to
// src/platform/linux).
#pragma once

#include <SDL.h>

#include "platform/window.h"

namespace platform::backend {

// Our window with this SDL id, the first window of ours (any), and its SDL window.
NativeWindow* windowWithId(Uint32 id);
NativeWindow* firstWindow();
SDL_Window* sdlWindow(NativeWindow* window);

// The message an SDL event stands for; false for events the shell has no message for.
bool translateEvent(const SDL_Event& e, WindowMessage& out);

}  // namespace platform::backend
