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
// True once a window was refused because no display answered: a message box would only
// wait on that display for ever.
bool displayRefused();

// Termination signals become close requests (takeTerminationRequest), and end the process
// within the second when nothing takes them.  Installed before SDL starts, once.
void watchTerminationSignals();
bool takeTerminationRequest();
// The desktop's display mode back, from any thread, for an exit that cannot wait.
void leaveChangedDisplayMode();

// What a request to end from outside becomes.
WindowMessage closeRequest();
// The message an SDL event stands for; false for events the shell has no message for.
bool translateEvent(const SDL_Event& e, WindowMessage& out);

}  // namespace platform::backend
