// The program names its files the way its original desktop did ("textures\water.bmp");
// this is the one place where such a name becomes a path of the system we run on.
#pragma once

#include <string>

namespace platform {

// Backslash separators become the native '/'; nothing else changes.
std::string nativePath(const std::string& name);

}  // namespace platform
