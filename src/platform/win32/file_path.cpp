#include "platform/file_path.h"

namespace platform {

// Backslashes are this system's own separators: the name is already a path.
std::string nativePath(const std::string& name) { return name; }

}  // namespace platform
