// The page's side of the browser backend: functions of src/platform/web/library.js that the
// C++ side calls, and the state both halves of the backend share.  Only src/platform/web
// includes this.
#pragma once

#include <cstdint>

extern "C" {
// The show's WebGL context is current: the fixed-function emulation sets itself up on it.
void velastria_gl_ready();
void velastria_gl_multi_tex_coord_2f(unsigned target, float s, float t);

// A message for the viewer, shown on the page (and on the console).
void velastria_page_message(const char* text, const char* caption, int icon);
// The show is over with this exit status: the page shows its end card.
void velastria_page_ended(int status);

// The page's audio context: 1 when one is running (the page made it at the viewer's click).
int velastria_audio_open(int rate);
// Starts handing the looping ring (16-bit stereo, `bytes` long, in the program's memory) to
// the audio context from byte `startByte` on.
void velastria_audio_play(const std::int16_t* ring, std::uint32_t bytes, std::uint32_t startByte);
// Frames the audio context has played since the last play, as a double (exact to 2^53).
double velastria_audio_played();
// 1 once the audio context has been closed under us.
int velastria_audio_lost();
void velastria_audio_stop();

// Test hooks a driver may set on the page (window.velastriaTest); never reachable from the
// page's own controls.  0 when the show runs on real time.
int velastria_test_virtual_fps();
// 1 while the page holds the show at a frame it was asked to stop at.
int velastria_test_holding();
// After frame `frame` (counted from 0) was drawn in `ms` of wall time.
void velastria_test_frame_done(int frame, double ms);
}

namespace platform::web {

// A test run on virtual time: the play position at frame `frame` of `fps` a second, in whole
// frames of the rate the sound output was opened at.
void setVirtualAudioFrame(std::uint64_t frame, int fps);
// Runs the repeating steps of every PriorityThread once (the sound output asks for more, a
// frame is about to start, or someone waits).
void runRepeatingSteps();

}  // namespace platform::web
