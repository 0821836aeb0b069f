#include "music/xm_writer.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace {

class ByteSink {
public:
    void u8(std::uint32_t v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
    void u16(std::uint32_t v) {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void text(const std::string& s, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) u8(i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0);
    }
    void zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
    std::size_t size() const { return bytes.size(); }
    std::vector<std::uint8_t> bytes;
};

void writeCell(ByteSink& out, const XmCell& c, bool packed) {
    if (packed) {
        std::uint8_t mask = 0x80;
        if (c.note) mask |= 1;
        if (c.instrument) mask |= 2;
        if (c.volume) mask |= 4;
        if (c.effect) mask |= 8;
        if (c.param) mask |= 16;
        if (mask != 0x9F) {
            out.u8(mask);
            if (c.note) out.u8(c.note);
            if (c.instrument) out.u8(c.instrument);
            if (c.volume) out.u8(c.volume);
            if (c.effect) out.u8(c.effect);
            if (c.param) out.u8(c.param);
            return;
        }
    }
    out.u8(c.note);
    out.u8(c.instrument);
    out.u8(c.volume);
    out.u8(c.effect);
    out.u8(c.param);
}

void writePattern(ByteSink& out, const XmPattern& p, int channels) {
    ByteSink data;
    if (!p.emptyData) {
        const std::size_t count = static_cast<std::size_t>(p.rows) * static_cast<std::size_t>(channels);
        for (std::size_t i = 0; i < count; ++i) writeCell(data, i < p.cells.size() ? p.cells[i] : XmCell{}, p.packed);
    }
    out.u32(p.headerLength);
    out.u8(0);  // packing type
    out.u16(p.rows);
    out.u16(static_cast<std::uint32_t>(data.size()));
    if (p.headerLength > 9) out.zeros(p.headerLength - 9);
    out.bytes.insert(out.bytes.end(), data.bytes.begin(), data.bytes.end());
}

void writeEnvelopePoints(ByteSink& out, const XmEnvelope& e) {
    for (std::size_t i = 0; i < 12; ++i) {
        if (i < e.points.size()) {
            out.u16(e.points[i].first);
            out.u16(e.points[i].second);
        } else {
            out.u32(0);
        }
    }
}

std::uint8_t envelopeType(const XmEnvelope& e) {
    return static_cast<std::uint8_t>((e.on ? 1 : 0) | (e.sustainOn ? 2 : 0) | (e.loopOn ? 4 : 0));
}

void writeInstrument(ByteSink& out, const XmInstrument& ins) {
    const std::uint16_t count =
        ins.declaredSampleCount ? *ins.declaredSampleCount : static_cast<std::uint16_t>(ins.samples.size());
    const std::uint32_t headerSize = ins.headerSize ? ins.headerSize : (ins.samples.empty() ? 29u : 263u);
    const std::size_t start = out.size();
    out.u32(headerSize);
    out.text(ins.name, 22);
    out.u8(0);  // type
    out.u16(count);
    if (!ins.samples.empty()) {
        out.u32(40);
        for (std::uint8_t n : ins.noteSample) out.u8(n);
        writeEnvelopePoints(out, ins.volumeEnvelope);
        writeEnvelopePoints(out, ins.panningEnvelope);
        out.u8(static_cast<std::uint8_t>(std::min<std::size_t>(ins.volumeEnvelope.points.size(), 255)));
        out.u8(static_cast<std::uint8_t>(std::min<std::size_t>(ins.panningEnvelope.points.size(), 255)));
        out.u8(ins.volumeEnvelope.sustain);
        out.u8(ins.volumeEnvelope.loopStart);
        out.u8(ins.volumeEnvelope.loopEnd);
        out.u8(ins.panningEnvelope.sustain);
        out.u8(ins.panningEnvelope.loopStart);
        out.u8(ins.panningEnvelope.loopEnd);
        out.u8(envelopeType(ins.volumeEnvelope));
        out.u8(envelopeType(ins.panningEnvelope));
        out.u8(ins.vibratoType);
        out.u8(ins.vibratoSweep);
        out.u8(ins.vibratoDepth);
        out.u8(ins.vibratoRate);
        out.u16(ins.fadeout);
    }
    // Pad (or cut) the header to its declared size so the sample headers start at p + size.
    const std::size_t written = out.size() - start;
    if (written < headerSize)
        out.zeros(headerSize - written);
    else
        out.bytes.resize(start + headerSize);

    for (const XmSample& s : ins.samples) {
        const std::uint32_t width = s.sixteenBit ? 2 : 1;
        std::uint8_t type = static_cast<std::uint8_t>(s.loop) | (s.sixteenBit ? 0x10 : 0) | s.extraTypeBits;
        out.u32(static_cast<std::uint32_t>(s.data.size()) * width);
        out.u32(s.loopStart * width);
        out.u32(s.loopLength * width);
        out.u8(s.volume);
        out.u8(static_cast<std::uint8_t>(s.finetune));
        out.u8(type);
        out.u8(s.panning);
        out.u8(static_cast<std::uint8_t>(s.relativeNote));
        out.u8(0);
        out.text(s.name, 22);
    }
    for (const XmSample& s : ins.samples) {
        std::int32_t previous = 0;
        for (std::int16_t v : s.data) {
            const std::int32_t delta = v - previous;
            previous = v;
            if (s.sixteenBit)
                out.u16(static_cast<std::uint16_t>(delta));
            else
                out.u8(static_cast<std::uint8_t>(delta));
        }
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::uint8_t> hexByte(std::string_view t) {
    if (t == "..") return std::uint8_t{0};
    if (t.size() != 2) return std::nullopt;
    const int hi = hexDigit(t[0]), lo = hexDigit(t[1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    return static_cast<std::uint8_t>(hi * 16 + lo);
}

}  // namespace

std::vector<std::uint8_t> writeXm(const XmSong& song) {
    ByteSink out;
    out.text("Extended Module: ", 17);
    out.text(song.name, 20);
    out.u8(0x1A);
    out.text(song.trackerName, 20);
    out.u16(0x0104);
    const std::size_t headerStart = out.size();
    out.u32(song.headerSize);
    const auto songLength = song.declaredSongLength
                                ? *song.declaredSongLength
                                : static_cast<std::uint16_t>(std::min<std::size_t>(song.orders.size(), 256));
    out.u16(songLength);
    out.u16(song.restartPosition);
    out.u16(song.channels);
    out.u16(static_cast<std::uint32_t>(song.patterns.size()));
    out.u16(static_cast<std::uint32_t>(song.instruments.size()));
    out.u16(song.linearFrequencies ? 1 : 0);
    out.u16(song.speed);
    out.u16(song.bpm);
    for (std::size_t i = 0; i < 256; ++i) out.u8(i < song.orders.size() ? song.orders[i] : 0);
    const std::size_t headerEnd = headerStart + song.headerSize;
    if (out.size() < headerEnd) out.zeros(headerEnd - out.size());
    // A header size below 276 makes the patterns start inside the order table, as declared.
    if (out.size() > headerEnd) out.bytes.resize(headerEnd);
    for (const XmPattern& p : song.patterns) writePattern(out, p, song.channels);
    for (const XmInstrument& ins : song.instruments) writeInstrument(out, ins);
    return std::move(out.bytes);
}

std::uint8_t xmNoteNumber(std::string_view name) {
    if (name.size() != 3) return 0;
    static constexpr std::string_view letters = "C-C#D-D#E-F-F#G-G#A-A#B-";
    const std::string upper{static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))), name[1]};
    const auto at = letters.find(upper);
    if (at == std::string_view::npos || at % 2 != 0) return 0;
    if (name[2] < '0' || name[2] > '7') return 0;
    return static_cast<std::uint8_t>(1 + (name[2] - '0') * 12 + at / 2);
}

std::optional<XmPattern> parseXmPattern(std::string_view text, int channels) {
    if (channels <= 0) return std::nullopt;
    XmPattern pattern;
    pattern.rows = 0;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::vector<std::string> tokens;
        std::string word;
        while (words >> word)
            if (word != "|") tokens.push_back(word);
        if (tokens.empty() || tokens[0][0] == '#') continue;
        if (tokens.size() != static_cast<std::size_t>(channels) * 4) return std::nullopt;
        for (int k = 0; k < channels; ++k) {
            XmCell cell;
            const std::string& n = tokens[k * 4];
            if (n == "===")
                cell.note = 97;
            else if (n != "---" && n != "...") {
                cell.note = xmNoteNumber(n);
                if (!cell.note) return std::nullopt;
            }
            const auto instrument = hexByte(tokens[k * 4 + 1]);
            const auto volume = hexByte(tokens[k * 4 + 2]);
            if (!instrument || !volume) return std::nullopt;
            cell.instrument = *instrument;
            cell.volume = *volume;
            const std::string& e = tokens[k * 4 + 3];
            if (e != "...") {
                if (e.size() != 3) return std::nullopt;
                const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(e[0])));
                if (c >= '0' && c <= '9')
                    cell.effect = static_cast<std::uint8_t>(c - '0');
                else if (c >= 'A' && c <= 'Z')
                    cell.effect = static_cast<std::uint8_t>(c - 'A' + 10);
                else
                    return std::nullopt;
                const auto param = hexByte(e.substr(1));
                if (!param) return std::nullopt;
                cell.param = *param;
            }
            pattern.cells.push_back(cell);
        }
        if (++pattern.rows > 256) return std::nullopt;
    }
    if (pattern.rows == 0) return std::nullopt;
    return pattern;
}
