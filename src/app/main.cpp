// Program entry: see runCommandLine for the options.
#include "app/program.h"
#include "platform/file_path.h"

int main(int argc, char** argv) {
    // The song and pictures travel beside the program, not in whatever folder it was started from.
    platform::enterProgramFolder();
    return runCommandLine(argc, argv);
}
