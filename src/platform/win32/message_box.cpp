#include <windows.h>

#include "platform/backend.h"

namespace platform::backend {

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

}  // namespace platform::backend
