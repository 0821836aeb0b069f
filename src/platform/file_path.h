// The program names its files the way its original desktop did ("textures\water.bmp");
// this is the one place where such a name becomes a path of the system we run on.
#pragma once

#include <string>

namespace platform {

// Backslash separators become the native '/'; nothing else changes.
std::string nativePath(const std::string& name);

// Makes the folder that holds the running program the working folder, so the program's
// relative names ("sound\velastr.xm", "textures\...") find its files however it was
// started: a shortcut, a launcher or a terminal elsewhere.  False (the working folder
// unchanged) when the program's folder cannot be found or entered.
bool enterProgramFolder();

}  // namespace platform
