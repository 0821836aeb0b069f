// The whole life of the program, from building the Demo to closing the window.
#pragma once

struct ProgramOptions {
    // The program always runs full screen; tests on displays without a 640x480 mode open a window.
    bool fullscreen = true;
};

// Start-up, the message loop, shutdown.  Always returns 0.
int runProgram(const ProgramOptions& options = ProgramOptions{});
