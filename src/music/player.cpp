#include "music/player.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "music/effects.h"
#include "music/mixer.h"

namespace {
std::array<Channel, maxChannels> channelRecords;

const Pattern* patternAt(const Module& m, std::int32_t order) {
    if (order < 0 || order >= maxOrders) return nullptr;
    const std::size_t index = m.orderTable[static_cast<std::size_t>(order)];
    if (index >= m.patterns.size()) return nullptr;
    return &m.patterns[index];
}

// Rows of the pattern at an order; a missing pattern plays as 64 empty rows.
std::int32_t rowsAt(const Module& m, std::int32_t order) {
    const Pattern* p = patternAt(m, order);
    return p && p->rows > 0 ? p->rows : 64;
}

struct Selection {
    Instrument* instrument;
    Sample* sample;
};

Selection select(Module& m, const Channel& c) {
    if (c.instrumentIndex < m.instruments.size() && c.instrumentIndex < static_cast<std::uint32_t>(m.instrumentCount)) {
        Instrument& ins = m.instruments[c.instrumentIndex];
        const std::uint8_t slot = c.note < noteCount ? ins.noteSample[c.note] : 0;
        if (slot < maxSamplesPerInstrument && ins.samples[slot]) return {&ins, ins.samples[slot]};
        return {&ins, &emptySample()};
    }
    return {&emptyInstrument(), &emptySample()};
}

// Envelope step over one envelope's points and one channel's state for it.
struct EnvelopeState {
    std::int32_t& tick;
    std::int32_t& point;
    std::int32_t& value;
    std::int32_t& output;
    std::int32_t& delta;
    std::uint8_t& done;
};

void stepEnvelope(const std::array<EnvelopePoint, maxEnvelopePoints>& points, std::uint8_t count,
                  std::uint8_t sustain, std::uint8_t loopStart, std::uint8_t loopEnd, std::uint8_t type,
                  std::uint8_t keyOff, EnvelopeState s) {
    std::int32_t i = s.point;
    if (i >= 0 && i < count) {
        if (s.tick == points[static_cast<std::size_t>(i)].x) {
            if ((type & 4) && i == loopEnd) {
                i = loopStart;
                s.tick = points[static_cast<std::size_t>(i)].x;
            }
            const std::int32_t y = points[static_cast<std::size_t>(i)].y;
            if (i == count - 1) {
                s.point = i;
                s.output = y;
                s.done = 1;
                return;
            }
            if ((type & 2) && i == sustain && !keyOff) {
                s.point = i;
                s.output = y;
                return;
            }
            const std::int32_t dx = points[static_cast<std::size_t>(i) + 1].x - points[static_cast<std::size_t>(i)].x;
            const std::int32_t ny = points[static_cast<std::size_t>(i) + 1].y;
            s.delta = dx == 0 ? 0 : (ny * 65536 - y * 65536) / dx;
            s.value = y * 65536;
            i += 1;
        } else {
            // Values stay within 0..64 << 16 for sanitized envelopes; wrap rather than overflow.
            s.value = static_cast<std::int32_t>(static_cast<std::uint32_t>(s.value) + static_cast<std::uint32_t>(s.delta));
        }
    }
    s.point = i;
    s.output = s.value >> 16;
    s.tick += 1;
}

void stepVolumeEnvelope(Channel& c, const Instrument& ins) {
    stepEnvelope(ins.volumeEnvelope, ins.volumePointCount, ins.volumeSustain, ins.volumeLoopStart, ins.volumeLoopEnd,
                 ins.volumeType, c.keyOff,
                 {c.volumeEnvelopeTick, c.volumeEnvelopePoint, c.volumeEnvelopeValue, c.volumeEnvelopeOutput,
                  c.volumeEnvelopeDelta, c.volumeEnvelopeDone});
    c.updateFlags |= updateFlag::volume;
}

void stepPanningEnvelope(Channel& c, const Instrument& ins) {
    stepEnvelope(ins.panningEnvelope, ins.panningPointCount, ins.panningSustain, ins.panningLoopStart,
                 ins.panningLoopEnd, ins.panningType, c.keyOff,
                 {c.panningEnvelopeTick, c.panningEnvelopePoint, c.panningEnvelopeValue, c.panningEnvelopeOutput,
                  c.panningEnvelopeDelta, c.panningEnvelopeDone});
    c.updateFlags |= updateFlag::panning;
}

// `cutTick`: a row start, or the tick a key-off effect names.
void envelopesAndFade(Channel& c, const Instrument& ins, bool cutTick) {
    if ((ins.volumeType & 1) && !c.volumeEnvelopeDone)
        stepVolumeEnvelope(c, ins);
    else if (cutTick && !(ins.volumeType & 1) && c.keyOff)
        c.volumeEnvelopeOutput = 0;  // a key off cuts a note without a volume envelope
    if ((ins.panningType & 1) && !c.panningEnvelopeDone) stepPanningEnvelope(c, ins);
    if (c.keyOff) {
        c.fadeoutVolume = std::max(0, c.fadeoutVolume - ins.fadeout);
        c.updateFlags |= updateFlag::volume;
    }
}

void autoVibrato(Channel& c, const Instrument& ins) {
    const std::int32_t p = c.autoVibratoPosition;
    std::int32_t w = 0;
    switch (ins.vibratoType) {
        case 1: w = p < 128 ? 64 : -64; break;
        case 2: w = (128 - ((p + 128) % 256)) >> 1; break;
        case 3: w = (128 - ((384 - p) % 256)) >> 1; break;
        default:  // 0, and the undefined types above 3, are the sine
            w = static_cast<std::int32_t>(64.0f * std::sin(static_cast<float>(p) * (3.14159265358979f / 128.0f)));
            break;
    }
    w = ins.vibratoDepth * w;
    if (ins.vibratoSweep != 0) w = c.autoVibratoSweepTicks * w / ins.vibratoSweep;
    c.periodDelta += w >> 6;
    c.autoVibratoSweepTicks = std::min<std::int32_t>(c.autoVibratoSweepTicks + 1, ins.vibratoSweep);
    c.autoVibratoPosition += ins.vibratoRate;
    if (c.autoVibratoPosition > 255) c.autoVibratoPosition -= 256;
    c.updateFlags |= updateFlag::frequency;
}

void processRow(Module& m) {
    m.nextRow = -1;
    m.nextOrder = -1;
    const Pattern* pattern = patternAt(m, m.order);
    bool rowJumped = false;
    for (int k = 0; k < m.channelCount && k < maxChannels; ++k) {
        Channel& c = channelRecords[static_cast<std::size_t>(k)];
        NoteCell cell{};
        if (pattern && m.row >= 0 && m.row < pattern->rows) {
            const std::size_t at = static_cast<std::size_t>(m.row) * static_cast<std::size_t>(m.channelCount) + static_cast<std::size_t>(k);
            if (at < pattern->cells.size()) cell = pattern->cells[at];
        }
        const bool portaRow = cell.effect == 3 || cell.effect == 5;
        const bool hasNote = cell.note != 0 && cell.note != keyOffNote;
        if (cell.instrument && !portaRow) c.instrumentIndex = static_cast<std::uint8_t>(cell.instrument - 1);
        const std::uint8_t previousNote = c.note;
        if (hasNote && !portaRow) c.note = static_cast<std::uint8_t>(cell.note - 1);
        Selection sel = select(m, c);
        // A note moved outside the playable range by the sample's relative note makes no
        // sound: it is not started, and what played before plays on.  It is dropped before
        // anything (a delay, a retrigger) can start it later in the row.
        const std::int32_t realNote = sel.sample->relativeNote + cell.note - 1;
        const bool playable = hasNote && realNote >= 0 && realNote < playableNotes;
        if (hasNote && !playable && c.note != previousNote) {
            c.note = previousNote;
            sel = select(m, c);
        }
        const RememberedChannel remembered{c.period, c.volume, c.panning};
        if (c.lastEffect == 7 && cell.effect != 7) c.volume += c.volumeDelta;
        c.lastEffect = cell.effect;
        c.volumeDelta = 0;
        c.updateFlags = 0;
        if (playable) {
            c.realNote = static_cast<std::uint8_t>(realNote);
            if (m.flags & linearFrequencyFlag)
                c.notePeriod = 7680 - 64 * c.realNote - sel.sample->finetune / 2;
            else
                c.notePeriod = amigaPeriod(c.realNote, sel.sample->finetune);
            if (!portaRow) c.period = c.notePeriod;
            c.updateFlags = updateFlag::trigger;
        }
        c.periodDelta = 0;
        c.updateFlags |= updateFlag::frequency | updateFlag::volume;
        // A sample offset belongs to the note of its own row; one that found no note to
        // start must not cut into a later one.
        if (c.voice) c.voice->startOffset = 0;
        if (cell.instrument) resetChannel(c, *sel.sample);
        if (cell.volume) volumeColumnFirstTick(c, cell.volume);
        if (cell.note == keyOffNote || (cell.effect == 20 && cell.param == 0)) c.keyOff = 1;
        envelopesAndFade(c, *sel.instrument, true);
        effectFirstTick(m, c, cell, *sel.instrument, *sel.sample, remembered, rowJumped);
        autoVibrato(c, *sel.instrument);
        updateVoice(c, *sel.sample, m);
    }
}

void processLaterTick(Module& m) {
    const Pattern* pattern = patternAt(m, m.order);
    for (int k = 0; k < m.channelCount && k < maxChannels; ++k) {
        Channel& c = channelRecords[static_cast<std::size_t>(k)];
        NoteCell cell{};
        if (pattern && m.row >= 0 && m.row < pattern->rows) {
            const std::size_t at = static_cast<std::size_t>(m.row) * static_cast<std::size_t>(m.channelCount) + static_cast<std::size_t>(k);
            if (at < pattern->cells.size()) cell = pattern->cells[at];
        }
        Selection sel = select(m, c);
        c.volumeDelta = 0;
        c.periodDelta = 0;
        c.updateFlags = 0;
        // The key-off effect releases the note on the tick it names.
        const bool keyOffTick = cell.effect == 20 && cell.param == m.tick;
        if (keyOffTick) c.keyOff = 1;
        envelopesAndFade(c, *sel.instrument, keyOffTick);
        volumeColumnLaterTick(c, cell.volume);
        effectLaterTick(m, c, cell, *sel.instrument, *sel.sample);
        autoVibrato(c, *sel.instrument);
        updateVoice(c, *sel.sample, m);
    }
}

std::uint8_t* visited(Module& m, std::int32_t order, std::int32_t row) {
    if (order < 0 || row < 0 || row >= maxPatternRows) return nullptr;
    const std::size_t at = static_cast<std::size_t>(order) * maxPatternRows + static_cast<std::size_t>(row);
    return at < m.visitedRows.size() ? &m.visitedRows[at] : nullptr;
}

}  // namespace

std::array<Channel, maxChannels>& channels() { return channelRecords; }

void setBpm(Module& m, std::int32_t bpm) {
    // Below 1 the tick would never end; the loader already refuses such tempos.
    bpm = std::max<std::int32_t>(bpm, 1);
    m.bpm = bpm;
    // Single-precision constants, evaluated in double: this gives floor(110250 / bpm) for every
    // tempo, where an all-float evaluation would fall one frame short at bpm 21 and 42.
    const double frames = 1000.0 / (bpm * static_cast<double>(0.4f)) * mixRate * static_cast<double>(0.001f);
    m.samplesPerTick = std::max<std::int32_t>(1, static_cast<std::int32_t>(frames));
}

void playerStart(Module& m) {
    m.speed = m.defaultSpeed;
    m.globalVolume = m.defaultGlobalVolume;
    m.row = m.order = 0;
    m.nextRow = m.nextOrder = -1;
    m.tick = 0;
    m.samplesLeftInTick = 0;
    m.patternDelayTicks = 0;
    m.timeMs = 0;
    setBpm(m, m.defaultBpm);
    m.visitedRows.assign(static_cast<std::size_t>(maxOrders) * maxPatternRows, 0);
    m.songLooped = false;
    for (int k = 0; k < m.channelCount && k < maxChannels; ++k) {
        channelRecords[static_cast<std::size_t>(k)] = Channel{};
        channelRecords[static_cast<std::size_t>(k)].voice = &voices()[static_cast<std::size_t>(k)];
    }
}

void tickHandler(Module& m) {
    if (m.tick == 0) {
        // Only a pattern loop names a row without an order; rows it repeats are not a
        // return of the song to where it was.
        const bool loopJump = m.nextRow >= 0 && m.nextOrder < 0 && m.nextRow <= m.row;
        if (loopJump)
            for (std::int32_t r = m.nextRow; r <= m.row; ++r)
                if (std::uint8_t* flag = visited(m, m.order, r)) *flag = 0;
        if (m.nextOrder >= 0) m.order = m.nextOrder;
        if (m.nextRow >= 0) m.row = m.nextRow;
        // Orders and rows named by effects may not exist in the pattern that plays now:
        // such a row starts the pattern from its top.
        if (m.order < 0 || m.order >= m.songLength) m.order = 0;
        if (m.row < 0 || m.row >= rowsAt(m, m.order)) m.row = 0;
        if (std::uint8_t* flag = visited(m, m.order, m.row)) {
            if (*flag) m.songLooped = true;
            *flag = 1;
        }
        processRow(m);
        if (m.nextRow == -1) {
            m.nextRow = m.row + 1;
            if (m.nextRow >= rowsAt(m, m.order)) {
                m.nextOrder = m.order + 1 >= m.songLength ? m.restartPosition : m.order + 1;
                m.nextRow = 0;
            }
        }
    } else {
        processLaterTick(m);
    }
    m.tick += 1;
    if (m.tick >= m.speed + m.patternDelayTicks) {
        m.tick = 0;
        m.patternDelayTicks = 0;
    }
}

void resetChannel(Channel& c, const Sample& sample) {
    c.volume = sample.volume;
    c.panning = sample.panning;
    c.volumeEnvelopeOutput = 64;
    c.volumeEnvelopePoint = c.volumeEnvelopeTick = c.volumeEnvelopeDelta = 0;
    c.panningEnvelopeOutput = 32;
    c.panningEnvelopePoint = c.panningEnvelopeTick = c.panningEnvelopeDelta = 0;
    c.keyOff = 0;
    c.fadeoutVolume = 65536;
    c.volumeEnvelopeDone = c.panningEnvelopeDone = 0;
    c.autoVibratoSweepTicks = 0;
    c.autoVibratoPosition = 0;
    if ((c.waveControl & 0x0F) < 4) c.vibratoPosition = 0;
    if ((c.waveControl >> 4) < 4) c.tremoloPosition = 0;
    c.tremorCount = 0;
    c.updateFlags |= updateFlag::volume | updateFlag::panning;
}

std::int32_t amigaPeriod(std::int32_t n, std::int32_t f) {
    constexpr float q = 1.0f / 12.0f;
    auto a = [q](std::int32_t m) {
        const float e = static_cast<float>(132 - m) * q;
        return static_cast<std::int32_t>(std::pow(2.0, static_cast<double>(e)) * 13.375);
    };
    const std::int32_t an = a(n);
    if (f < 0 && n != 0) return an - (std::abs(f) * (an - a(n - 1))) / 128;
    return an - (f * (an - a(n + 1))) / 128;
}

std::int32_t linearFrequency(std::int32_t effectivePeriod) {
    constexpr float q = 1.0f / 768.0f;
    const float e = static_cast<float>(4608 - static_cast<std::int64_t>(effectivePeriod)) * q;
    const double f = std::floor(8363.0 * std::pow(2.0, static_cast<double>(e)));
    // Periods far below 0 would leave the 32-bit range; clamp (the mixer floors low values).
    if (f >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(f);
}

void updateVoice(Channel& c, const Sample& sample, const Module& m) {
    const std::int64_t effective = static_cast<std::int64_t>(c.period) + c.periodDelta;
    if (effective == 0) c.updateFlags &= static_cast<std::uint8_t>(~updateFlag::frequency);
    // Period 0: the channel has never had a playable note, so a delay or retrigger on it
    // has nothing to start (it would play at whatever step the voice last had).
    if (c.period == 0) c.updateFlags &= static_cast<std::uint8_t>(~updateFlag::trigger);
    if (c.updateFlags & updateFlag::trigger) c.voice = voiceTrigger(c.voice, &sample);
    if (c.updateFlags & updateFlag::volume) {
        const std::int64_t v = (static_cast<std::int64_t>(c.volume + c.volumeDelta) * c.volumeEnvelopeOutput *
                                c.fadeoutVolume * m.globalVolume * 255) >> 35;
        voiceSetVolume(c.voice, static_cast<std::int32_t>(v));
    }
    if (c.updateFlags & updateFlag::panning) {
        std::int32_t p = c.panning + ((128 - std::abs(c.panning - 128)) / 32) * (c.panningEnvelopeOutput - 32);
        voiceSetPanning(c.voice, std::clamp(p, 0, 255));
    }
    if (c.updateFlags & updateFlag::frequency) {
        std::int32_t f;
        if (m.flags & linearFrequencyFlag) {
            const std::int64_t period = static_cast<std::int64_t>(c.period) - c.periodDelta;
            f = linearFrequency(static_cast<std::int32_t>(std::clamp<std::int64_t>(period, INT32_MIN, INT32_MAX)));
        } else {
            f = static_cast<std::int32_t>(14317056 / effective);
        }
        voiceSetFrequency(c.voice, f);
    }
    if (c.updateFlags & updateFlag::rewind) voiceRewind(c.voice);
}
