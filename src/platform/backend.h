// What each desktop backend (src/platform/linux, src/platform/win32) supplies to the code
// both share (src/platform/*.cpp): the system's own clock, message box, sound device and
// OpenGL entry points.  Only src/platform includes this.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio_out.h"
#include "platform/message_box.h"

namespace platform::backend {

std::uint32_t systemClockMs();

// Shows the modal box where the system has a screen to show it on; returns at once otherwise.
void showMessageBox(const std::string& text, const std::string& caption, MessageIcon icon);

// The default output device, opened for 16-bit stereo at `rate`; null (and why) when none opens.
std::unique_ptr<AudioDevice> openSystemAudioDevice(int rate, std::string& why);

bool glContextCurrent();
void* glEntryPoint(const char* name);
bool glExtensionOffered(const char* name);

}  // namespace platform::backend
