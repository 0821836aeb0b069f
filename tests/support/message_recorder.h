// Records message boxes for the lifetime of the object instead of showing them.
#pragma once

#include <vector>

#include "platform/message_box.h"

class MessageRecorder {
public:
    MessageRecorder() {
        platform::setMessageSink([this](const platform::Message& m) { messages.push_back(m); });
    }
    ~MessageRecorder() { platform::setMessageSink(nullptr); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<platform::Message> messages;
};
