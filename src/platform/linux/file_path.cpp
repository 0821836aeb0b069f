#include "platform/file_path.h"

#include <filesystem>
#include <system_error>

namespace platform {

std::string nativePath(const std::string& name) {
    std::string path = name;
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

bool enterProgramFolder() {
    // The kernel's own record of the running file: symbolic links (a launcher's link in
    // ~/bin, say) are already followed, so this is the folder the data was unpacked into.
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || !program.has_parent_path()) return false;
    std::filesystem::current_path(program.parent_path(), ec);
    return !ec;
}

}  // namespace platform
