#include "app/program.h"

#include <cstdio>
#include <filesystem>
#include <string_view>

#include "app/demo.h"
#include "app/window.h"
#include "platform/file_path.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "scenes/first_scene.h"

namespace {

// The scenes follow the song: without it the title card would stay for ever in silence.
int songMissing(const std::string& name) {
    closeWindow();
    std::error_code ec;
    const std::filesystem::path where = std::filesystem::absolute(platform::nativePath(name), ec);
    platform::showMessage("Cannot read the song " + (ec ? platform::nativePath(name) : where.string()) +
                              "; the show cannot play without it.",
                          "Marn", platform::MessageIcon::Stop);
    return 1;
}

}  // namespace

int runProgram(const ProgramOptions& options) {
    // Lives until the process ends, like everything it owns.
    theDemo = new Demo;
    windowState().instance = platform::moduleInstance();

    if (!openWindow("Marn", 640, 480, 32, options.screen)) {
        platform::showMessage("No se pudo crear la ventana.", "Marn", platform::MessageIcon::None);
        return 1;
    }
    theDemo->display->init();

    theDemo->music->installFileCallbacks();
    if (!theDemo->music->load("sound\\velastr.xm")) return songMissing("sound\\velastr.xm");
    if (options.startSong)
        options.startSong(*theDemo->music);
    else
        theDemo->music->play();

    if (Scene* first = makeFirstScene()) theDemo->setPendingScene(first);
    theDemo->timer->start();
    int status = 0;
    if (options.runLoop)
        options.runLoop();
    else if (platform::handLoopToSystem(messageLoopTurn, [](int) { closeWindow(); }))
        return 0;  // the system runs the frames from here on, and closes the window at the end
    else
        status = runMessageLoop();
    closeWindow();
    return status;
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--window") {
            line.options.screen = ScreenMode::Window;
        } else if (arg == "--mode-switch") {
            line.options.screen = ScreenMode::ModeSwitch;
        } else if (arg == "--desktop") {
            line.options.screen = ScreenMode::Fullscreen;
        } else if (arg == "--help" || arg == "-h") {
            line.action = CommandLine::Action::Help;
            return line;
        } else {
            line.action = CommandLine::Action::Usage;
            line.error = "unknown option " + std::string(arg);
            return line;
        }
    }
    return line;
}

namespace {

constexpr const char* usageText =
    "usage: velastria [--window | --desktop | --mode-switch] [--help]\n";

// What the show does without options depends on the desktop (defaultScreenMode).
constexpr const char* scaledIntro =
    "Plays the show full screen, the picture scaled to fit the screen with its shape kept\n"
    "(the same as --desktop).\n";
constexpr const char* switchedIntro =
    "Plays the show full screen, the display switched to 640x480 for it; where the display\n"
    "has no such mode, full screen at the desktop's own, as with --desktop.\n";

constexpr const char* helpText =
    "\n"
    "  --window       a window instead, opening at 640x480; resize it at will\n"
    "  --desktop      full screen at the desktop's own resolution, the picture scaled to fit\n"
    "  --mode-switch  full screen by switching the display to 640x480 (fails when the\n"
    "                 display has no such mode)\n"
    "  --help         this text\n"
    "\n"
    "Keys: Escape ends the show; Alt+F4 or closing the window does too.\n"
    "The song and pictures are read from sound/ and textures/ beside the program.\n";

}  // namespace

int runCommandLine(int argc, const char* const* argv) {
    const CommandLine line = parseCommandLine(argc, argv);
    switch (line.action) {
        case CommandLine::Action::Help:
            std::fputs(usageText, stdout);
            std::fputs(defaultScreenMode() == ScreenMode::ModeSwitch ? switchedIntro : scaledIntro, stdout);
            std::fputs(helpText, stdout);
            return 0;
        case CommandLine::Action::Usage:
            platform::showCommandLineError("velastria: " + line.error + "\n" + usageText, "velastria");
            return 2;
        case CommandLine::Action::Run: break;
    }
    return runProgram(line.options);
}
