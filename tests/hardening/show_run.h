// Runs the whole show in-process on virtual time: the program's start-up steps in a small
// offscreen window, the song on a hand-driven device, and frames until the last scene ends
// it or a frame budget runs out.  The content is read from a folder the test prepares.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace hardening {

struct ShowResult {
    bool songLoaded = false;
    bool playing = false;
    bool endedByScene = false;         // the last scene ended the program
    int frames = 0;
    std::vector<std::string> scenes;   // scene types in the order they ran
    std::int32_t highestOrder = 0;     // highest song order a frame saw
    std::vector<platform::Message> messages;
};

struct ShowOptions {
    int frameMs = 50;
    int maxFrames = 400;
    // Presses Escape after this many frames (0: never) and checks the pass after it ends the show.
    int escapeAfter = 0;
    // False: messages take their normal way (standard error under the offscreen driver).
    bool recordMessages = true;
    // True: the program's own start (device thread; the silent device when none opens)
    // instead of the hand-driven device.
    bool realDevice = false;
    // From this frame on (0: never) the hand-driven device stands still, or with
    // `deviceGoesAway` reports itself lost; no other device opens afterwards.
    int deviceFaultAt = 0;
    bool deviceGoesAway = false;
};

// Runs the show from `contentDir` (holding textures/ and sound/).  Restores the working
// folder, the clock, the device factory and the message sink afterwards.
ShowResult runShow(const std::string& contentDir, const ShowOptions& options = {});

// The 22 pictures the scenes load, as file names under textures/.
const std::vector<std::string>& textureNames();

// A song with the demo's 29 orders of 16 fast rows each: the scenes follow orders and
// rows only, so the whole chain runs in a few seconds of song time.
std::vector<std::uint8_t> fastShowSong();

}  // namespace hardening
