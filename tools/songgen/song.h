// The song as plain data: instruments with their synthesised samples, patterns of note cells
// and the order table, plus the extended-module writer that serialises it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace songgen {

struct Cell {
    std::uint8_t note = 0;  // 0 none, 1..96 (49 = C-4), 97 key off
    std::uint8_t instrument = 0;
    std::uint8_t volume = 0;  // volume-column byte
    std::uint8_t effect = 0;
    std::uint8_t param = 0;
    bool empty() const { return note == 0 && instrument == 0 && volume == 0 && effect == 0 && param == 0; }
};

constexpr int kRows = 64;
constexpr int kChannels = 12;
using Track = std::array<Cell, kRows>;
struct Pattern {
    std::array<Track, kChannels> tracks{};
};

struct EnvelopePoint {
    std::uint16_t tick;
    std::uint16_t value;  // 0..64
};

struct Envelope {
    std::vector<EnvelopePoint> points;  // up to 12
    int sustain = -1;                   // point index, -1 none
    int loopStart = -1, loopEnd = -1;   // point indices, -1 none
};

enum class Loop : std::uint8_t { None = 0, Forward = 1, PingPong = 2 };

struct Sample {
    std::string name;
    std::vector<std::int16_t> data;
    std::uint32_t loopStart = 0, loopLength = 0;  // in samples
    Loop loop = Loop::None;
    std::uint8_t volume = 64;
    std::int8_t finetune = 0;
    std::uint8_t panning = 128;
    std::int8_t relativeNote = 0;
};

struct Instrument {
    std::string name;
    Sample sample;
    Envelope volumeEnvelope, panningEnvelope;
    std::uint16_t fadeout = 0;  // as stored in the file
    std::uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

struct Song {
    std::string name;
    std::uint16_t speed = 6, bpm = 125;
    std::uint16_t restart = 0;
    std::vector<std::uint8_t> orders;
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

// The song as an extended-module file (linear frequency table, 16-bit samples), written by
// the music subsystem's writer.
std::vector<std::uint8_t> writeXm(const Song& song);

}  // namespace songgen
