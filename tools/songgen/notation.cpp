#include "notation.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <algorithm>

namespace songgen {

namespace {

// A typo in the written-out song is the composer's mistake: stop the build and name it.
[[noreturn]] void fail(const std::string& what, const std::string& line) {
    std::fprintf(stderr, "songgen: bad %s in \"%s\"\n", what.c_str(), line.c_str());
    std::exit(1);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int hexByte(const std::string& s, const std::string& line) {
    if (s.size() != 2 || hexDigit(s[0]) < 0 || hexDigit(s[1]) < 0) fail("hex byte", line);
    return hexDigit(s[0]) * 16 + hexDigit(s[1]);
}

std::uint8_t volumeColumn(const std::string& v, const std::string& line) {
    if (v == "..") return 0;
    const int lo = hexDigit(v[1]);
    switch (v[0]) {
        case '-': return static_cast<std::uint8_t>(0x60 + lo);
        case '+': return static_cast<std::uint8_t>(0x70 + lo);
        case 'P': return static_cast<std::uint8_t>(0xC0 + lo);
        case 'M': return static_cast<std::uint8_t>(0xF0 + lo);
        default: break;
    }
    const int vol = hexByte(v, line);
    if (vol > 0x40) fail("volume", line);
    return static_cast<std::uint8_t>(0x10 + vol);
}

}  // namespace

std::uint8_t noteNumber(const std::string& name) {
    if (name == "...") return 0;
    if (name == "===") return 97;
    static const char* names[12] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};
    if (name.size() != 3 || name[2] < '0' || name[2] > '7') fail("note", name);
    for (int i = 0; i < 12; ++i)
        if (name.compare(0, 2, names[i]) == 0) return static_cast<std::uint8_t>((name[2] - '0') * 12 + i + 1);
    fail("note", name);
}

Track parseTrack(const std::string& text) {
    Track t{};
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string rows, note, ins, vol, fx;
        if (!(in >> rows)) continue;  // blank line
        if (!(in >> note >> ins >> vol >> fx)) fail("cell", line);
        int first = 0, last = 0;
        const auto dash = rows.find('-');
        first = std::atoi(rows.substr(0, dash).c_str());
        last = dash == std::string::npos ? first : std::atoi(rows.substr(dash + 1).c_str());
        if (first < 0 || last >= kRows || last < first) fail("row", line);
        Cell c;
        c.note = noteNumber(note);
        c.instrument = ins == ".." ? 0 : static_cast<std::uint8_t>(hexByte(ins, line));
        c.volume = volumeColumn(vol, line);
        if (fx != "...") {
            if (fx.size() != 3) fail("effect", line);
            const char e = fx[0];
            int number = -1;
            if (e >= '0' && e <= '9') number = e - '0';
            if (e >= 'A' && e <= 'Z') number = e - 'A' + 10;
            if (number < 0) fail("effect", line);
            c.effect = static_cast<std::uint8_t>(number);
            c.param = static_cast<std::uint8_t>(hexByte(fx.substr(1), line));
        }
        for (int r = first; r <= last; ++r) t[static_cast<std::size_t>(r)] = c;
    }
    return t;
}

Track drumTrack(const std::string& grid, std::uint8_t instrument, std::uint8_t note) {
    Track t{};
    std::string steps;
    for (char ch : grid)
        if (ch != ' ' && ch != '|') steps.push_back(ch);
    if (steps.size() != kRows) fail("drum grid length", grid);
    for (int r = 0; r < kRows; ++r) {
        Cell c;
        const char ch = steps[static_cast<std::size_t>(r)];
        if (ch == '.') continue;
        c.note = note;
        c.instrument = instrument;
        switch (ch) {
            case 'X': c.volume = 0x10 + 0x40; break;
            case 'x': c.volume = 0x10 + 0x2C; break;
            case 'o': c.volume = 0x10 + 0x1A; break;
            case 'r': c.volume = 0x10 + 0x20, c.effect = 0xE, c.param = 0x93; break;
            case 'R': c.volume = 0x10 + 0x34, c.effect = 0xE, c.param = 0x92; break;
            case 'd': c.volume = 0x10 + 0x18, c.effect = 0xE, c.param = 0xD3; break;
            default: fail("drum step", grid);
        }
        t[static_cast<std::size_t>(r)] = c;
    }
    return t;
}

Track overlay(const Track& a, const Track& b) {
    Track t = a;
    for (int r = 0; r < kRows; ++r)
        if (!b[static_cast<std::size_t>(r)].empty()) t[static_cast<std::size_t>(r)] = b[static_cast<std::size_t>(r)];
    return t;
}

Track transpose(const Track& src, int semitones) {
    Track t = src;
    for (Cell& c : t)
        if (c.note >= 1 && c.note <= 96) c.note = static_cast<std::uint8_t>(std::clamp(c.note + semitones, 1, 96));
    return t;
}

Track echo(const Track& src, int delayRows, int volume, int panning) {
    Track t{};
    for (int r = 0; r + delayRows < kRows; ++r) {
        const Cell& c = src[static_cast<std::size_t>(r)];
        if (c.note == 0) continue;
        Cell e = c;
        if (e.note != 97) e.volume = static_cast<std::uint8_t>(0x10 + volume);
        e.effect = 0x8;  // pan the echo to its own side
        e.param = static_cast<std::uint8_t>(panning * 16 + panning);
        t[static_cast<std::size_t>(r + delayRows)] = e;
    }
    return t;
}

Track withVolume(const Track& src, int volume) {
    Track t = src;
    for (Cell& c : t)
        if (c.note >= 1 && c.note <= 96) c.volume = static_cast<std::uint8_t>(0x10 + volume);
    return t;
}

}  // namespace songgen
