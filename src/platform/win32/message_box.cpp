#include <windows.h>

#include <cstdio>

#include "platform/backend.h"

namespace platform::backend {
namespace {

// The program is a desktop (not a console) program, so a double click opens no console
// window.  Started from a console, it still writes its lines (the message texts, the
// sound fallback) there: standard output and error that lead nowhere are joined to the
// console of the parent process, if it has one.
struct ParentConsole {
    ParentConsole() {
        const bool outMissing = GetStdHandle(STD_OUTPUT_HANDLE) == nullptr;
        const bool errMissing = GetStdHandle(STD_ERROR_HANDLE) == nullptr;
        if (!(outMissing || errMissing) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
        if (outMissing) std::freopen("CONOUT$", "w", stdout);
        if (errMissing) std::freopen("CONOUT$", "w", stderr);
    }
} parentConsole;

}  // namespace

void showMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
    UINT style = MB_OK;
    switch (icon) {
        case MessageIcon::Exclamation: style |= MB_ICONEXCLAMATION; break;
        case MessageIcon::Stop: style |= MB_ICONSTOP; break;
        case MessageIcon::Information: style |= MB_ICONINFORMATION; break;
        case MessageIcon::None: break;
    }
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), style);
}

// Options come from shortcuts: a desktop program's standard error is seen by nobody.
bool commandLineErrorsInBox() { return true; }

}  // namespace platform::backend
