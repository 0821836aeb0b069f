// Modal message boxes.  The caption and text always go to standard error as well, so a
// user who started the program from a terminal (or a test) can read them; a display-less
// run shows them there only.  Tests install a sink that records messages instead: a
// modal box must never block a test.
#pragma once

#include <functional>
#include <string>

namespace platform {

enum class MessageIcon { None, Exclamation, Stop, Information };

struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
};

using MessageSink = std::function<void(const Message&)>;

void showMessage(const std::string& text, const std::string& caption, MessageIcon icon = MessageIcon::None);
// Whether a modal box is on the screen right now (the pointer is the user's meanwhile).
bool messageBoxShowing();
// While a sink is installed, messages go to it instead of the screen and standard error.
// An empty sink restores the normal behaviour.
void setMessageSink(MessageSink sink);

// A mistake on the command line, with the usage: always on standard error, and where
// programs are mostly started from an icon or a shortcut (Windows), in a box as well,
// since nobody there sees standard error.  A sink, when installed, gets it instead.
void showCommandLineError(const std::string& text, const std::string& caption);

}  // namespace platform
