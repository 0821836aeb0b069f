#include "song.h"

#include <algorithm>

namespace songgen {

namespace {

class Out {
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
    void text(const std::string& s, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) u8(i < s.size() ? static_cast<unsigned char>(s[i]) : 0);
    }
    void zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
    std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> packPattern(const Pattern& p) {
    std::vector<std::uint8_t> out;
    for (int row = 0; row < kRows; ++row)
        for (int ch = 0; ch < kChannels; ++ch) {
            const Cell& c = p.tracks[static_cast<std::size_t>(ch)][static_cast<std::size_t>(row)];
            std::uint8_t mask = 0x80;
            if (c.note) mask |= 1;
            if (c.instrument) mask |= 2;
            if (c.volume) mask |= 4;
            if (c.effect) mask |= 8;
            if (c.param) mask |= 16;
            if (mask == 0x9F) {  // every field present: the unpacked form is one byte shorter
                out.insert(out.end(), {c.note, c.instrument, c.volume, c.effect, c.param});
                continue;
            }
            out.push_back(mask);
            if (c.note) out.push_back(c.note);
            if (c.instrument) out.push_back(c.instrument);
            if (c.volume) out.push_back(c.volume);
            if (c.effect) out.push_back(c.effect);
            if (c.param) out.push_back(c.param);
        }
    return out;
}

void envelope(Out& o, const Envelope& e) {
    for (std::size_t i = 0; i < 12; ++i) {
        if (i < e.points.size()) {
            o.u16(e.points[i].tick);
            o.u16(e.points[i].value);
        } else {
            o.u32(0);
        }
    }
}

std::uint8_t envelopeType(const Envelope& e) {
    if (e.points.size() < 2) return 0;
    std::uint8_t t = 1;
    if (e.sustain >= 0) t |= 2;
    if (e.loopStart >= 0 && e.loopEnd >= 0) t |= 4;
    return t;
}

}  // namespace

std::vector<std::uint8_t> writeXm(const Song& song) {
    Out o;
    o.text("Extended Module: ", 17);
    o.text(song.name, 20);
    o.u8(0x1A);
    o.text("velastria songgen", 20);
    o.u16(0x0104);
    o.u32(276);
    o.u16(static_cast<std::uint32_t>(song.orders.size()));
    o.u16(song.restart);
    o.u16(kChannels);
    o.u16(static_cast<std::uint32_t>(song.patterns.size()));
    o.u16(static_cast<std::uint32_t>(song.instruments.size()));
    o.u16(1);  // linear frequency table
    o.u16(song.speed);
    o.u16(song.bpm);
    for (std::size_t i = 0; i < 256; ++i) o.u8(i < song.orders.size() ? song.orders[i] : 0);

    for (const Pattern& p : song.patterns) {
        const std::vector<std::uint8_t> packed = packPattern(p);
        o.u32(9);
        o.u8(0);
        o.u16(kRows);
        o.u16(static_cast<std::uint32_t>(packed.size()));
        o.bytes.insert(o.bytes.end(), packed.begin(), packed.end());
    }

    for (const Instrument& ins : song.instruments) {
        o.u32(263);
        o.text(ins.name, 22);
        o.u8(0);
        o.u16(1);
        o.u32(40);
        o.zeros(96);  // every note plays sample 0
        envelope(o, ins.volumeEnvelope);
        envelope(o, ins.panningEnvelope);
        o.u8(static_cast<std::uint32_t>(ins.volumeEnvelope.points.size()));
        o.u8(static_cast<std::uint32_t>(ins.panningEnvelope.points.size()));
        auto idx = [](int v) { return static_cast<std::uint32_t>(std::max(v, 0)); };
        o.u8(idx(ins.volumeEnvelope.sustain));
        o.u8(idx(ins.volumeEnvelope.loopStart));
        o.u8(idx(ins.volumeEnvelope.loopEnd));
        o.u8(idx(ins.panningEnvelope.sustain));
        o.u8(idx(ins.panningEnvelope.loopStart));
        o.u8(idx(ins.panningEnvelope.loopEnd));
        o.u8(envelopeType(ins.volumeEnvelope));
        o.u8(envelopeType(ins.panningEnvelope));
        o.u8(ins.vibratoType);
        o.u8(ins.vibratoSweep);
        o.u8(ins.vibratoDepth);
        o.u8(ins.vibratoRate);
        o.u16(ins.fadeout);
        o.zeros(22);

        const Sample& s = ins.sample;
        o.u32(static_cast<std::uint32_t>(s.data.size() * 2));
        o.u32(s.loopStart * 2);
        o.u32(s.loop == Loop::None ? 0 : s.loopLength * 2);
        o.u8(s.volume);
        o.u8(static_cast<std::uint8_t>(s.finetune));
        o.u8(static_cast<std::uint32_t>(s.loop) | 0x10);
        o.u8(s.panning);
        o.u8(static_cast<std::uint8_t>(s.relativeNote));
        o.u8(0);
        o.text(s.name, 22);
        std::int16_t previous = 0;
        for (std::int16_t v : s.data) {
            o.u16(static_cast<std::uint16_t>(static_cast<std::uint16_t>(v) - static_cast<std::uint16_t>(previous)));
            previous = v;
        }
    }
    return o.bytes;
}

}  // namespace songgen
