#include "platform/file_path.h"

namespace platform {

std::string nativePath(const std::string& name) {
    std::string path = name;
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

// The page writes the data files into the root of the program's file system, which is the
// working folder from the start.
bool enterProgramFolder() { return true; }

}  // namespace platform
