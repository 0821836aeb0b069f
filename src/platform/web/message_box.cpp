#include "platform/backend.h"
#include "platform/web/bridge.h"

namespace platform::backend {

// The page shows it over the picture and the show goes on: a page cannot block for an answer.
void showMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
    velastria_page_message(text.c_str(), caption.c_str(), static_cast<int>(icon));
}

bool commandLineErrorsInBox() { return true; }

}  // namespace platform::backend
