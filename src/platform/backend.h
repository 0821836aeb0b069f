// What each desktop backend (src/platform/linux, src/platform/win32) supplies to the code
// both share (src/platform/*.cpp): the system's own clock, message box, sound device,
// OpenGL entry points and pointer; and what the shared test seams of the window layer give
// the backends.  Only src/platform includes this.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio_out.h"
#include "platform/message_box.h"
#include "platform/window.h"

namespace platform::backend {

std::uint32_t systemClockMs();

// Shows the modal box where the system has a screen to show it on; returns at once otherwise.
void showMessageBox(const std::string& text, const std::string& caption, MessageIcon icon);

// Whether a command-line mistake needs a box to be seen (programs started from icons).
bool commandLineErrorsInBox();

// The default output device, opened for 16-bit stereo at `rate`; null (and why) when none opens.
std::unique_ptr<AudioDevice> openSystemAudioDevice(int rate, std::string& why);

bool glContextCurrent();
void* glEntryPoint(const char* name);
bool glExtensionOffered(const char* name);

// The system's pointer in screen coordinates (getCursorPos and setCursorPos take these
// unless a VirtualCursor is installed).
bool systemCursorPos(ScreenPoint& out);
bool moveSystemCursor(int x, int y);

// Whether setStepFails made the step fail; the swap observer's call before a swap.
bool stepFails(WindowStep step);
void beforeSwap();

}  // namespace platform::backend
