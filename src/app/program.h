// The whole life of the program, from building the Demo to closing the window.
#pragma once

#include <functional>

class MusicPlayer;

struct ProgramOptions {
    // The program always runs full screen; tests on displays without a 640x480 mode open a window.
    bool fullscreen = true;
    // Runs on virtual time (the capture tool) keep every start-up step but replace two of them:
    // how the loaded song is started (no audio thread), and the message loop (the caller
    // drives the frames).  Empty means the real step.
    std::function<bool(MusicPlayer&)> startSong = {};
    std::function<void()> runLoop = {};
};

// Start-up, the message loop, shutdown.  Always returns 0.
int runProgram(const ProgramOptions& options = ProgramOptions{});
