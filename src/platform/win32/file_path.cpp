#include "platform/file_path.h"

#include <windows.h>

#include <vector>

namespace platform {

// Backslashes are this system's own separators: the name is already a path.
std::string nativePath(const std::string& name) { return name; }

bool enterProgramFolder() {
    // Wide characters throughout: the folder a user unpacked into may have any name.
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return false;
        if (length < path.size()) break;
        if (path.size() >= 32768) return false;
        path.resize(path.size() * 2);
    }
    std::wstring folder(path.data());
    const std::size_t slash = folder.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return false;
    folder.resize(slash + 1);
    return SetCurrentDirectoryW(folder.c_str()) != 0;
}

}  // namespace platform
