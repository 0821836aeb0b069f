#include "platform/message_box.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/backend.h"

namespace platform {
namespace {

std::mutex sinkMutex;
MessageSink installedSink;
std::atomic<int> boxesShowing{0};

}  // namespace

void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) {
    MessageSink sink;
    {
        std::lock_guard<std::mutex> lock(sinkMutex);
        sink = installedSink;
    }
    if (sink) {
        sink(Message{text, caption, icon});
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    ++boxesShowing;
    backend::showMessageBox(text, caption, icon);
    --boxesShowing;
}

bool messageBoxShowing() { return boxesShowing.load() > 0; }

void setMessageSink(MessageSink sink) {
    std::lock_guard<std::mutex> lock(sinkMutex);
    installedSink = std::move(sink);
}

void showCommandLineError(const std::string& text, const std::string& caption) {
    MessageSink sink;
    {
        std::lock_guard<std::mutex> lock(sinkMutex);
        sink = installedSink;
    }
    if (sink) {
        sink(Message{text, caption, MessageIcon::Exclamation});
        return;
    }
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    if (backend::commandLineErrorsInBox()) backend::showMessageBox(text, caption, MessageIcon::Exclamation);
}

}  // namespace platform
