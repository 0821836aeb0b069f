// The software mixer: 256 voice records of which the first 64 are mixed (two per
// channel, so a retriggered note can fade out on the partner while the new one starts),
// linear interpolation, forward and ping-pong loops, and a short gain ramp on every
// change so that nothing clicks.
#pragma once

#include <array>
#include <cstdint>

#include "music/module.h"

inline constexpr int mixRate = 44100;
inline constexpr int voiceCount = 256;
inline constexpr int mixedVoiceCount = 64;
inline constexpr int partnerDistance = 32;

struct Voice {
    std::int32_t index = 0;
    std::int32_t volume = 0;
    std::int32_t panning = 0;
    std::uint32_t startOffset = 0;
    const Sample* sample = nullptr;
    std::int32_t leftTarget = 0;
    std::int32_t rightTarget = 0;
    std::uint32_t position = 0;
    std::uint32_t positionFraction = 0;
    std::uint32_t stepFraction = 0;
    std::uint32_t stepInteger = 0;
    std::int32_t direction = 1;
    std::int32_t plannedLeftTarget = 0;
    std::int32_t plannedRightTarget = 0;
    std::int32_t leftVolume = 0;
    std::int32_t rightVolume = 0;
    float leftRampStep = 0.0f;
    float rightRampStep = 0.0f;
    std::int32_t rampRemaining = 0;
};

// The program's one voice array (mixing runs on one thread at a time).
std::array<Voice, voiceCount>& voices();
std::int32_t rampLength();

void mixerReset();
void mixVoices(float* buffer, std::int32_t frames);
void convertBlock(std::int16_t* destination, const float* buffer, std::int32_t frames);

Voice* voiceTrigger(Voice* voice, const Sample* sample);
void voiceSetVolume(Voice* voice, std::int32_t volume);
void voiceSetPanning(Voice* voice, std::int32_t panning);
void voiceSetFrequency(Voice* voice, std::int32_t frequency);
void voiceRewind(Voice* voice);
