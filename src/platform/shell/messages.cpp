// The calls of the window layer that need nothing of the system behind a WindowShell.
#include "platform/window.h"

namespace platform {

namespace {
const char programInstance = 0;
}

InstanceHandle moduleInstance() { return &programInstance; }

// Keys arrive already as key messages: there are no character messages to make.
void translateMessage(const WindowMessage&) {}

// Alt+F4 asks to close, and a close asked for becomes the close message.
std::intptr_t defaultWindowProcedure(NativeWindow* window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t) {
    if (message == msg::SysKeyDown && wParam == static_cast<std::uintptr_t>(vk::F4))
        postMessage(WindowMessage{window, msg::SysCommand, sys::Close, 0});
    else if (message == msg::SysCommand && wParam == sys::Close)
        postMessage(WindowMessage{window, msg::Close, 0, 0});
    return 0;
}

void postQuitMessage(int exitCode) {
    postMessage(WindowMessage{nullptr, msg::Quit, static_cast<std::uintptr_t>(exitCode), 0});
}

}  // namespace platform
