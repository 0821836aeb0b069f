// The whole life of the program, from building the Demo to closing the window.
#pragma once

// Start-up, the message loop, shutdown.  Always returns 0.
int runProgram();
