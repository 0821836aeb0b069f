#include "platform/file_path.h"

namespace platform {

std::string nativePath(const std::string& name) {
    std::string path = name;
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

}  // namespace platform
