// Program entry.  Takes no arguments and always returns 0.
#include "app/program.h"

int main() { return runProgram(); }
