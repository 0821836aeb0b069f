// The in-memory song: the records the loader fills and the player, mixer and output
// thread work on.  Plain records; the Module owns everything reachable from it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct Module;

// Everything the player can address, fixed by the format and by the mixer's voice array.
inline constexpr int maxChannels = 32;
inline constexpr int maxOrders = 256;
inline constexpr int maxPatterns = 256;
inline constexpr int maxPatternRows = 256;
inline constexpr int maxInstruments = 128;
inline constexpr int maxSamplesPerInstrument = 16;
inline constexpr int maxEnvelopePoints = 12;
inline constexpr int noteCount = 96;
inline constexpr std::uint8_t keyOffNote = 255;
inline constexpr int sampleGuardSamples = 8;  // zero samples kept past the end of every sample

struct NoteCell {
    std::uint8_t note = 0;        // 0 none, 1..96 note, 255 key off
    std::uint8_t instrument = 0;  // 0 none, 1..128
    std::uint8_t volume = 0;      // volume-column command
    std::uint8_t effect = 0;
    std::uint8_t param = 0;
};
static_assert(sizeof(NoteCell) == 5);

struct Pattern {
    std::int32_t rows = 0;
    std::vector<NoteCell> cells;  // rows x channelCount, row-major
};

struct EnvelopePoint {
    std::uint16_t x = 0;  // tick
    std::uint16_t y = 0;  // value 0..64
};

struct Sample {
    std::vector<std::int16_t> data;  // length + 8 values (guard and interpolation room); empty when length is 0
    std::uint32_t length = 0;
    std::uint32_t loopStart = 0;
    std::uint32_t loopLength = 0;
    std::uint8_t volume = 0;
    std::int8_t finetune = 0;
    std::int32_t panning = 0;
    std::uint8_t bits = 0;
    std::uint8_t loopMode = 0;  // 1 none, 2 forward, 4 ping-pong
    std::int8_t relativeNote = 0;
    // The same values as floats, guard included, so the mixer's inner loop converts
    // nothing; filled by the loader (samples made by hand may leave it empty).
    std::vector<float> mixData;
};

struct Instrument {
    std::int32_t sampleCount = 0;
    std::array<Sample*, maxSamplesPerInstrument> samples{};
    std::array<std::uint8_t, noteCount> noteSample{};
    std::array<EnvelopePoint, maxEnvelopePoints> volumeEnvelope{};
    std::array<EnvelopePoint, maxEnvelopePoints> panningEnvelope{};
    std::uint8_t volumePointCount = 0, panningPointCount = 0;
    std::uint8_t volumeSustain = 0, volumeLoopStart = 0, volumeLoopEnd = 0;
    std::uint8_t panningSustain = 0, panningLoopStart = 0, panningLoopEnd = 0;
    std::uint8_t volumeType = 0, panningType = 0;
    std::uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
    std::uint16_t fadeout = 0;
    // Owner of the samples in slots below sampleCount (stable addresses).
    std::vector<std::unique_ptr<Sample>> ownedSamples;
};

// Called instead of reading a sample's bytes from the file: (destination, byte count,
// bits, instrument index, sample index).
using SampleDataProvider = std::function<void(void*, std::int32_t, int, int, int)>;

struct Module {
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
    std::int32_t samplesLeftInTick = 0;
    std::int32_t samplesPerTick = 0;
    std::int16_t songLength = 0;
    std::int16_t restartPosition = 0;
    std::int16_t channelCount = 0;
    std::int32_t patternCount = 0;
    std::int32_t patternSlots = 0;
    std::int16_t instrumentCount = 0;
    std::uint16_t flags = 0;
    std::int16_t defaultSpeed = 0;
    std::int16_t defaultBpm = 0;
    std::array<std::uint8_t, maxOrders> orderTable{};
    std::uint8_t defaultGlobalVolume = 0;
    std::int32_t globalVolume = 0;
    std::uint8_t globalVolumeSlideMemory = 0;
    std::int32_t tick = 0;
    std::int32_t speed = 0;
    std::int32_t bpm = 0;
    std::int32_t row = 0;
    std::int32_t order = 0;
    std::int32_t patternDelayTicks = 0;
    std::int32_t nextRow = -1;
    std::int32_t nextOrder = -1;
    std::int32_t timeMs = 0;
    void (*tickHandler)(Module&) = nullptr;
    SampleDataProvider sampleProvider;

    // Song-end bookkeeping for offline rendering: which (order, row) pairs have started,
    // and whether a row has started a second time other than through a pattern loop.
    std::vector<std::uint8_t> visitedRows;  // maxOrders x maxPatternRows flags
    bool songLooped = false;
};

inline constexpr std::uint16_t linearFrequencyFlag = 1;

// The shared all-zero records standing in for missing samples and instruments.
Sample& emptySample();
Instrument& emptyInstrument();
