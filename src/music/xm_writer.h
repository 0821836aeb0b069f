// Builds a complete extended-module (.xm) file in memory from plain records, for the
// demo's song composer and for tests that need small songs with exact contents.
//
// What it writes (all little-endian):
//   - the 60-byte preamble ("Extended Module: ", 20-byte name, 0x1A, 20-byte tracker
//     name, version 0x0104), then the song header (size 276 unless overridden) with the
//     256-byte order table;
//   - every pattern: 9-byte header, then the cells, either packed (mask byte + present
//     fields, or the 5 raw bytes when all fields are present) or unpacked (5 raw bytes
//     per cell); `emptyData` writes a packed size of 0 and no cell bytes;
//   - every instrument: header (size 263 with samples, 29 without, unless overridden),
//     note-to-sample map, both envelopes (12 points), vibrato, fade-out, then the 40-byte
//     sample headers and the delta-encoded sample data (8-bit or 16-bit).
// Sample data and loop points are given in samples; the writer converts them to bytes.
// 8-bit samples take their values from `data` and must lie in -128..127.
//
// The pattern text parser reads one row per line and four tokens per channel:
//   note    "C-4", "C#4", ... (octaves 0..7, note 1 = C-0, 49 = C-4), "===" key off,
//           "---" or "..." none
//   instr   two hex digits (01..80) or ".."
//   volume  the raw volume-column byte as two hex digits ("50" = set volume 64) or ".."
//   effect  one character 0-9/A-Z (A=10 ... X=33) and two hex digits ("A0F", "F06"), or "..."
// "|" between channels is optional; blank lines and lines starting with '#' are skipped.
// Malformed text yields std::nullopt.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct XmCell {
    std::uint8_t note = 0;
    std::uint8_t instrument = 0;
    std::uint8_t volume = 0;
    std::uint8_t effect = 0;
    std::uint8_t param = 0;
};

struct XmPattern {
    std::uint16_t rows = 64;
    std::vector<XmCell> cells;  // rows x channels, row-major; missing cells are written empty
    bool packed = true;
    bool emptyData = false;     // packed size 0, no cell bytes
    std::uint32_t headerLength = 9;  // written as is; extra bytes are zero
};

struct XmEnvelope {
    std::vector<std::pair<std::uint16_t, std::uint16_t>> points;  // (tick, value 0..64), at most 12
    std::uint8_t sustain = 0, loopStart = 0, loopEnd = 0;
    bool on = false, sustainOn = false, loopOn = false;
};

enum class XmLoop : std::uint8_t { None = 0, Forward = 1, PingPong = 2 };

struct XmSample {
    std::vector<std::int16_t> data;
    bool sixteenBit = false;
    XmLoop loop = XmLoop::None;
    std::uint32_t loopStart = 0, loopLength = 0;  // samples
    std::uint8_t volume = 64;
    std::int8_t finetune = 0;
    std::uint8_t panning = 128;
    std::int8_t relativeNote = 0;
    std::string name;
    std::uint8_t extraTypeBits = 0;  // ORed into the type byte (tests of odd files)
};

struct XmInstrument {
    std::string name;
    std::vector<XmSample> samples;  // at most 16 for a well-formed file
    std::array<std::uint8_t, 96> noteSample{};
    XmEnvelope volumeEnvelope, panningEnvelope;
    std::uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
    std::uint16_t fadeout = 0;
    std::uint32_t headerSize = 0;  // 0: 263 with samples, 29 without
    std::optional<std::uint16_t> declaredSampleCount;  // overrides samples.size() in the header
};

struct XmSong {
    std::string name;
    std::string trackerName = "velastria xm writer";
    std::uint16_t channels = 4;
    bool linearFrequencies = true;
    std::uint16_t speed = 6, bpm = 125;
    std::uint16_t restartPosition = 0;
    std::vector<std::uint8_t> orders;  // song length = orders.size() (at most 256 written)
    std::optional<std::uint16_t> declaredSongLength;  // overrides orders.size() in the header
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
    std::uint32_t headerSize = 276;
};

std::vector<std::uint8_t> writeXm(const XmSong& song);

// One pattern from text (see above); `channels` tokens groups per row.
std::optional<XmPattern> parseXmPattern(std::string_view text, int channels);

// A 1-based note number from its name ("C-4" -> 49), 0 when malformed.
std::uint8_t xmNoteNumber(std::string_view name);
