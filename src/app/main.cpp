// Program entry: see runCommandLine for the options.
#include "app/program.h"

int main(int argc, char** argv) { return runCommandLine(argc, argv); }
