// The whole life of the program, from the command line to closing the window.
#pragma once

#include <functional>
#include <string>

#include "app/window.h"

class MusicPlayer;

struct ProgramOptions {
    ScreenMode screen = defaultScreenMode();
    // Runs on virtual time (the capture tool) keep every start-up step but replace two of them:
    // how the loaded song is started (no audio thread), and the message loop (the caller
    // drives the frames).  Empty means the real step.
    std::function<bool(MusicPlayer&)> startSong = {};
    std::function<void()> runLoop = {};
};

// Start-up, the message loop, shutdown.  Returns the exit status: 0, or 1 when no window
// with an OpenGL context could be made (launchers and scripts must see that).
int runProgram(const ProgramOptions& options = ProgramOptions{});

// What the command line asks for.
struct CommandLine {
    enum class Action { Run, Help, Usage } action = Action::Run;
    ProgramOptions options;
    std::string error;  // for Usage: what was wrong
};
CommandLine parseCommandLine(int argc, const char* const* argv);
// The program entry: options, help and usage (exit status 2) around runProgram.
int runCommandLine(int argc, const char* const* argv);
