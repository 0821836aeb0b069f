// The output ring: 100 blocks of 884 frames that the device loops over, mixed ahead by an
// audio thread, with the song position recorded for every block so the main thread can
// ask where the audible music is.
#pragma once

#include <cstdint>

#include "music/mixer.h"
#include "music/module.h"

inline constexpr int bufferMs = 1000;
inline constexpr std::int32_t blockFrames = (mixRate * 20 / 1000 + 3) / 4 * 4;  // 884
inline constexpr std::int32_t ringFrames = (bufferMs / 20) * blockFrames * 2;    // 88400
inline constexpr std::int32_t blockCount = ringFrames / blockFrames;             // 100

struct PositionEntry {
    std::uint8_t order = 0;
    std::uint8_t row = 0;
    std::int32_t timeMs = 0;
};

// Stops any playback, then starts this module from its beginning on the output device:
// primes the whole ring and starts the audio thread.  False for null, without file
// callbacks, or when no device opens.
bool startPlayback(Module* module);
// The same without the thread: the caller drives the output with audioThreadStep (tests
// and capture runs on virtual time).
bool startPlaybackManual(Module* module);
// Offline rendering: no device, no priming, no thread; the caller calls mixBlock and
// reads the block it just mixed.
bool startPlaybackOffline(Module* module);
bool stopPlayback(Module* module);
// Stops playback only when this module is the one playing (freeing another song must not
// silence the current one).
void stopPlaybackOf(Module* module);

void mixBlock();
// One pass of the audio thread: read the device position and mix every block it has passed.
void audioThreadStep();

std::int32_t positionOrder(const Module* module);
std::int32_t positionRow(const Module* module);
std::int32_t positionTime(const Module* module);
// All three at once, from one block: separate reads could straddle a row change and pair
// the old order with the new row.
PositionEntry playingPosition(const Module* module);

// Read-outs for tools and tests.
std::int32_t writeBlockIndex();
std::int32_t readBlockIndex();
PositionEntry positionEntry(std::int32_t block);
const std::int16_t* ringBlock(std::int32_t block);  // blockFrames stereo frames; null when stopped
bool audioThreadRunning();
