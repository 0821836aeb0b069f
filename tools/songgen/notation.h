// Tracker notation for writing the song by hand.
//
// A track is the 64 rows of one channel.  Text tracks list only the rows that hold something,
// one per line, as a tracker shows a cell:
//
//     RR NNN II VV EPP        e.g.  "08 C-5 0A 30 ..."   "12 === .. .. ..."   "26-31 ... .. .. 4A4"
//
// RR is the row (decimal; "26-31" repeats the cell on every row of the range), NNN a note
// (C-4, C#4, "===" key off, "..." none), II the instrument in hex, VV the volume column
// ("..", a hex volume 00..40, "-x"/"+x" slides, "Px" panning, "Mx" tone portamento) and EPP
// the effect letter and its hex parameter (0 arpeggio, 1/2 portamento, 3 tone portamento,
// 4 vibrato, 8 panning, A volume slide, C volume, E extended, R multi retrigger...).
//
// Drum tracks are step grids of 64 characters, one per row:
//     'X' loud, 'x' medium, 'o' soft, 'r' soft roll (retrigger every 3 ticks),
//     'R' loud roll (every 2 ticks), 'd' a ghost note delayed by 3 ticks, '.' nothing.
#pragma once

#include <string>
#include <vector>

#include "song.h"

namespace songgen {

// Note number (1..96) of a name such as "C-4" or "G#3"; 0 for "...", 97 for "===".
std::uint8_t noteNumber(const std::string& name);

Track parseTrack(const std::string& text);
Track drumTrack(const std::string& grid, std::uint8_t instrument, std::uint8_t note = 49);
// Cells of b replace those of a where b has something.
Track overlay(const Track& a, const Track& b);
// Notes moved by semitones (key-offs untouched).
Track transpose(const Track& t, int semitones);
// A delayed, quieter copy (volume column set to `volume`, panned with `panning` 0..F, 0 = left).
Track echo(const Track& t, int delayRows, int volume, int panning);
// Every cell with a note gets this volume-column byte (0x10 + v); others unchanged.
Track withVolume(const Track& t, int volume);

struct Chord {
    std::string root;              // bass root, e.g. "A-1"
    std::vector<std::string> pad;  // pad voicing, three notes
    std::vector<std::string> arp;  // arpeggio tones, low to high
};
// A progression of four bars (16 rows each) or of other lengths through the rows field.
struct Bar {
    int row;
    Chord chord;
};

}  // namespace songgen
