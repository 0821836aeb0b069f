// Hands the composed song to the music subsystem's extended-module writer.
#include "song.h"

#include <algorithm>

#include "music/xm_writer.h"

namespace songgen {

namespace {

XmEnvelope toXm(const Envelope& e) {
    XmEnvelope x;
    for (const EnvelopePoint& p : e.points) x.points.emplace_back(p.tick, p.value);
    x.on = e.points.size() >= 2;
    x.sustainOn = x.on && e.sustain >= 0;
    x.sustain = static_cast<std::uint8_t>(std::max(e.sustain, 0));
    x.loopOn = x.on && e.loopStart >= 0 && e.loopEnd >= 0;
    x.loopStart = static_cast<std::uint8_t>(std::max(e.loopStart, 0));
    x.loopEnd = static_cast<std::uint8_t>(std::max(e.loopEnd, 0));
    return x;
}

}  // namespace

std::vector<std::uint8_t> writeXm(const Song& song) {
    XmSong x;
    x.name = song.name;
    x.trackerName = "velastria songgen";
    x.channels = kChannels;
    x.linearFrequencies = true;
    x.speed = song.speed;
    x.bpm = song.bpm;
    x.restartPosition = song.restart;
    x.orders = song.orders;
    for (const Pattern& p : song.patterns) {
        XmPattern xp;
        xp.rows = kRows;
        xp.cells.resize(static_cast<std::size_t>(kRows) * kChannels);
        for (int row = 0; row < kRows; ++row)
            for (int ch = 0; ch < kChannels; ++ch) {
                const Cell& c = p.tracks[static_cast<std::size_t>(ch)][static_cast<std::size_t>(row)];
                xp.cells[static_cast<std::size_t>(row * kChannels + ch)] = {c.note, c.instrument, c.volume, c.effect,
                                                                            c.param};
            }
        x.patterns.push_back(std::move(xp));
    }
    for (const Instrument& ins : song.instruments) {
        XmInstrument xi;
        xi.name = ins.name;
        xi.volumeEnvelope = toXm(ins.volumeEnvelope);
        xi.panningEnvelope = toXm(ins.panningEnvelope);
        xi.vibratoType = ins.vibratoType;
        xi.vibratoSweep = ins.vibratoSweep;
        xi.vibratoDepth = ins.vibratoDepth;
        xi.vibratoRate = ins.vibratoRate;
        xi.fadeout = ins.fadeout;
        const Sample& s = ins.sample;
        XmSample xs;
        xs.data = s.data;
        xs.sixteenBit = true;
        xs.loop = s.loop == Loop::Forward ? XmLoop::Forward : s.loop == Loop::PingPong ? XmLoop::PingPong : XmLoop::None;
        xs.loopStart = s.loopStart;
        xs.loopLength = s.loop == Loop::None ? 0 : s.loopLength;
        xs.volume = s.volume;
        xs.finetune = s.finetune;
        xs.panning = s.panning;
        xs.relativeNote = s.relativeNote;
        xs.name = s.name;
        xi.samples.push_back(std::move(xs));
        x.instruments.push_back(std::move(xi));
    }
    return ::writeXm(x);
}

}  // namespace songgen
