// The pattern player: walks the order table, rows and ticks of a Module and tells the
// mixer's voices what to play after every tick.
#pragma once

#include <array>
#include <cstdint>

#include "music/module.h"

struct Voice;

namespace updateFlag {
inline constexpr std::uint8_t frequency = 1;
inline constexpr std::uint8_t volume = 2;
inline constexpr std::uint8_t panning = 4;
inline constexpr std::uint8_t trigger = 8;
inline constexpr std::uint8_t rewind = 32;
}  // namespace updateFlag

// Real notes (note plus the sample's relative note) that sound: C-0 to B-9.
inline constexpr int playableNotes = 120;

struct Channel {
    std::uint8_t note = 0;
    std::uint8_t updateFlags = 0;
    Voice* voice = nullptr;
    std::int32_t period = 0;
    std::int32_t volume = 0;
    std::int32_t panning = 0;
    std::int32_t volumeDelta = 0;
    std::int32_t periodDelta = 0;
    std::int32_t volumeEnvelopeTick = 0;
    std::int32_t volumeEnvelopePoint = 0;
    std::int32_t volumeEnvelopeValue = 0;
    std::int32_t volumeEnvelopeOutput = 0;
    std::int32_t volumeEnvelopeDelta = 0;
    std::uint8_t volumeEnvelopeDone = 0;
    std::int32_t panningEnvelopeTick = 0;
    std::int32_t panningEnvelopePoint = 0;
    std::int32_t panningEnvelopeValue = 0;
    std::int32_t panningEnvelopeOutput = 0;
    std::int32_t panningEnvelopeDelta = 0;
    std::uint8_t panningEnvelopeDone = 0;
    std::int32_t fadeoutVolume = 0;
    std::int32_t autoVibratoPosition = 0;
    std::int32_t autoVibratoSweepTicks = 0;
    std::uint8_t keyOff = 0;
    std::uint8_t instrumentIndex = 0;
    std::uint8_t realNote = 0;
    std::int32_t notePeriod = 0;
    std::uint8_t lastEffect = 0;
    std::int32_t sampleOffsetMemory = 0;
    std::uint8_t portaDownMemory = 0, portaUpMemory = 0, extraFinePortaDownMemory = 0, extraFinePortaUpMemory = 0;
    std::uint8_t volumeSlideMemory = 0, panningSlideMemory = 0, retrigVolumeOp = 0, retrigInterval = 0;
    std::int32_t portaTarget = 0;
    std::uint8_t portaSpeed = 0;
    std::int8_t vibratoPosition = 0;
    std::uint8_t vibratoSpeed = 0, vibratoDepth = 0;
    std::int8_t tremoloPosition = 0;
    std::uint8_t tremoloSpeed = 0, tremoloDepth = 0;
    std::uint8_t tremorCount = 0, tremorOn = 0, tremorOff = 0;
    std::int32_t loopRow = 0, loopCount = 0;
    std::uint8_t waveControl = 0;
    std::uint8_t fineVolumeSlideMemory = 0, finePortaUpMemory = 0, finePortaDownMemory = 0;
};

// The program's 32 channel records (one song plays at a time).
std::array<Channel, maxChannels>& channels();

void playerStart(Module& module);
void setBpm(Module& module, std::int32_t bpm);
void tickHandler(Module& module);
void updateVoice(Channel& channel, const Sample& sample, const Module& module);
void resetChannel(Channel& channel, const Sample& sample);
std::int32_t amigaPeriod(std::int32_t realNote, std::int32_t finetune);
// 8363 x 2^((4608 - period) / 768) as the linear table plays it, kept inside 32 bits.
std::int32_t linearFrequency(std::int32_t period);
