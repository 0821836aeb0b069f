#include "music/effects.h"

#include <algorithm>
#include <cmath>

#include "music/mixer.h"

namespace {

void volumeUp(Channel& c, std::int32_t n) { c.volume = std::min(c.volume + n, 64); }
void volumeDown(Channel& c, std::int32_t n) { c.volume = std::max(c.volume - n, 0); }

void advance(std::int8_t& position, std::uint8_t speed) {
    std::int32_t p = static_cast<std::int8_t>(static_cast<std::uint8_t>(position + speed));
    if (p > 31) p -= 64;
    position = static_cast<std::int8_t>(p);
}

std::int32_t sineWave(std::int32_t p) {
    return static_cast<std::int32_t>(256.0 * std::fabs(std::sin(static_cast<double>(2 * p) * (3.141592653589793 / 64.0))));
}

// The falling ramp; positions below 0 continue it upward to 255 at -32.
std::int32_t rampWave(std::int32_t p) {
    const std::int32_t m = ((p * 8) % 256 + 256) % 256;
    return p >= 0 ? m : 255 - m;
}

void clearFlags(Channel& c, std::uint8_t flags) { c.updateFlags &= static_cast<std::uint8_t>(~flags); }

void setEnvelopePosition(Channel& c, const Instrument& ins, std::int32_t x) {
    const std::int32_t count = ins.volumePointCount;
    if (count <= 0) return;
    const auto& pts = ins.volumeEnvelope;
    // An envelope may begin after tick 0; a position before its first point holds there
    // instead of extending the first segment backwards, far beyond 64.
    x = std::max<std::int32_t>(x, pts[0].x);
    std::int32_t j = 0;
    // Bounded by the 12 points: the point after j must exist before it is looked at.
    while (j + 1 < count && pts[static_cast<std::size_t>(j) + 1].x < x) j += 1;
    if (j < count - 1) {
        const auto& a = pts[static_cast<std::size_t>(j)];
        const auto& b = pts[static_cast<std::size_t>(j) + 1];
        const std::int32_t dx = b.x - a.x;
        const std::int64_t delta = dx == 0 ? 0 : (b.y - a.y) * std::int64_t{65536} / dx;
        // Within the segment the value stays between its two ends (0..64 << 16).
        const std::int64_t value = (x - a.x) * delta + a.y * std::int64_t{65536};
        c.volumeEnvelopeDone = 0;
        c.volumeEnvelopeTick = x;
        c.volumeEnvelopeDelta = static_cast<std::int32_t>(delta);
        c.volumeEnvelopeValue = static_cast<std::int32_t>(std::clamp<std::int64_t>(value, 0, 64 * 65536));
        c.volumeEnvelopePoint = j + 1;
        c.volumeEnvelopeOutput = c.volumeEnvelopeValue / 65536;
    } else {
        c.volumeEnvelopePoint = j;
        c.volumeEnvelopeOutput = pts[static_cast<std::size_t>(count) - 1].y;
        c.volumeEnvelopeDone = 1;
    }
}

void applyRetrigVolume(Channel& c) {
    std::int32_t v = c.volume;
    switch (c.retrigVolumeOp) {
        case 0: return;
        case 1: v -= 1; break;
        case 2: v -= 2; break;
        case 3: v -= 4; break;
        case 4: v -= 8; break;
        case 5: v -= 16; break;
        case 6: v = v * 2 / 3; break;
        case 7: v = v / 2; break;
        case 8: break;
        case 9: v += 1; break;
        case 10: v += 2; break;
        case 11: v += 4; break;
        case 12: v += 8; break;
        case 13: v += 16; break;
        case 14: v = v * 3 / 2; break;
        default: v = v * 2; break;
    }
    c.volume = std::clamp(v, 0, 64);
    c.updateFlags |= updateFlag::volume;
}

}  // namespace

void volumeColumnFirstTick(Channel& c, std::uint8_t v) {
    const std::int32_t lo = v & 15;
    if (v >= 0x10 && v <= 0x50) {
        c.volume = v - 16;
        c.updateFlags |= updateFlag::volume;
    } else if ((v >= 0x60 && v <= 0x6F) || (v >= 0x80 && v <= 0x8F)) {
        volumeDown(c, lo);
        c.updateFlags |= updateFlag::volume;
    } else if ((v >= 0x70 && v <= 0x7F) || (v >= 0x90 && v <= 0x9F)) {
        volumeUp(c, lo);
        c.updateFlags |= updateFlag::volume;
    } else if (v >= 0xA0 && v <= 0xAF) {
        c.vibratoSpeed = static_cast<std::uint8_t>(lo);
    } else if (v >= 0xB0 && v <= 0xBF) {
        c.vibratoDepth = static_cast<std::uint8_t>(lo);
    } else if (v >= 0xC0 && v <= 0xCF) {
        c.panning = lo * 16;
        c.updateFlags |= updateFlag::panning;
    } else if (v >= 0xD0 && v <= 0xDF) {
        c.panning -= lo;
        c.updateFlags |= updateFlag::panning;
    } else if (v >= 0xE0 && v <= 0xEF) {
        c.panning += lo;
        c.updateFlags |= updateFlag::panning;
    } else if (v >= 0xF0) {
        if (lo != 0) c.portaSpeed = static_cast<std::uint8_t>(lo * 16);
        c.portaTarget = c.notePeriod;
        clearFlags(c, updateFlag::trigger);
    }
}

void volumeColumnLaterTick(Channel& c, std::uint8_t v) {
    const std::int32_t lo = v & 15;
    if (v >= 0x60 && v <= 0x6F) {
        volumeDown(c, lo);
        c.updateFlags |= updateFlag::volume;
    } else if (v >= 0x70 && v <= 0x7F) {
        volumeUp(c, lo);
        c.updateFlags |= updateFlag::volume;
    } else if (v >= 0xB0 && v <= 0xBF) {
        c.vibratoDepth = static_cast<std::uint8_t>(lo);
        vibrato(c);
        advance(c.vibratoPosition, c.vibratoSpeed);
    } else if (v >= 0xD0 && v <= 0xDF) {
        c.panning -= lo;
        c.updateFlags |= updateFlag::panning;
    } else if (v >= 0xE0 && v <= 0xEF) {
        c.panning += lo;
        c.updateFlags |= updateFlag::panning;
    } else if (v >= 0xF0) {
        tonePortamento(c);
    }
}

void tonePortamento(Channel& c) {
    const std::int32_t step = c.portaSpeed * 4;
    if (c.period < c.portaTarget)
        c.period = std::min(c.period + step, c.portaTarget);
    else if (c.period > c.portaTarget)
        c.period = std::max(c.period - step, c.portaTarget);
    c.updateFlags |= updateFlag::frequency;
}

void vibrato(Channel& c) {
    const std::int32_t p = c.vibratoPosition;
    std::int32_t w;
    switch (c.waveControl & 3) {
        case 0: w = sineWave(p); break;
        case 1: w = rampWave(p); break;
        default: w = 255; break;
    }
    const std::int32_t d = ((c.vibratoDepth * w) >> 5) & ~3;
    c.periodDelta = p >= 0 ? -d : d;
    c.updateFlags |= updateFlag::frequency;
}

void tremolo(Channel& c) {
    const std::int32_t p = c.tremoloPosition;
    std::int32_t w;
    switch ((c.waveControl >> 4) & 3) {
        case 1: w = rampWave(p); break;
        case 2: w = 255; break;
        default: w = sineWave(p); break;
    }
    std::int32_t t = (c.tremoloDepth * w) >> 6;
    if (p < 0) {
        t = std::min(t, c.volume);
        c.volumeDelta = -t;
    } else {
        t = std::min(t, 64 - c.volume);
        c.volumeDelta = t;
    }
    advance(c.tremoloPosition, c.tremoloSpeed);
    c.updateFlags |= updateFlag::volume;
}

void tremor(Channel& c) {
    if (c.tremorCount >= c.tremorOn) c.volumeDelta = -c.volume;
    c.tremorCount = static_cast<std::uint8_t>(c.tremorCount + 1);
    if (c.tremorCount >= c.tremorOn + c.tremorOff) c.tremorCount = 0;
    c.updateFlags |= updateFlag::volume;
}

void volumeSlide(Channel& c) {
    const std::int32_t m = c.volumeSlideMemory;
    if (m / 16 != 0)
        volumeUp(c, m / 16);
    else if (m % 16 != 0)
        volumeDown(c, m % 16);
    c.updateFlags |= updateFlag::volume;
}

void effectFirstTick(Module& m, Channel& c, const NoteCell& cell, const Instrument& ins, Sample& sample,
                     const RememberedChannel& remembered, bool& rowJumped) {
    const std::uint8_t x = cell.param;
    const std::int32_t hi = x >> 4, lo = x & 15;
    switch (cell.effect) {
        case 1:
            if (x) c.portaUpMemory = x;
            break;
        case 2:
            if (x) c.portaDownMemory = x;
            break;
        case 3:
            if (x) c.portaSpeed = x;
            c.portaTarget = c.notePeriod;
            clearFlags(c, updateFlag::trigger | updateFlag::frequency);
            break;
        case 4:
            if (hi) c.vibratoSpeed = static_cast<std::uint8_t>(hi);
            if (lo) c.vibratoDepth = static_cast<std::uint8_t>(lo);
            vibrato(c);
            break;
        case 5:
            c.portaTarget = c.notePeriod;
            if (x) c.volumeSlideMemory = x;
            clearFlags(c, updateFlag::trigger | updateFlag::frequency);
            break;
        case 6:
            if (x) c.volumeSlideMemory = x;
            vibrato(c);
            break;
        case 7:
            if (hi) c.tremoloSpeed = static_cast<std::uint8_t>(hi);
            if (lo) c.tremoloDepth = static_cast<std::uint8_t>(lo);
            break;
        case 8:
            c.panning = x;
            c.updateFlags |= updateFlag::panning;
            break;
        case 9: {
            if (x) c.sampleOffsetMemory = x;
            // The offset applies to the note of this row; without one it does nothing.
            if (cell.note == 0 || cell.note == keyOffNote) break;
            const std::uint32_t o = static_cast<std::uint32_t>(c.sampleOffsetMemory) * 256u;
            if (o < sample.loopStart + sample.loopLength) {
                if (c.voice) c.voice->startOffset = o;
            } else {
                clearFlags(c, updateFlag::trigger);
                c.updateFlags |= updateFlag::rewind;
            }
            break;
        }
        case 10:
            if (x) c.volumeSlideMemory = x;
            break;
        case 11:
            m.nextOrder = x >= m.songLength ? 0 : x;
            m.nextRow = 0;
            rowJumped = true;
            break;
        case 12:
            c.volume = std::min<std::int32_t>(x, 64);  // like the sample volume: above 64 would clip
            c.updateFlags |= updateFlag::volume;
            break;
        case 13: {
            const std::int32_t row = hi * 10 + lo;
            m.nextRow = row > 63 ? 0 : row;
            if (!rowJumped) m.nextOrder = m.order + 1;
            if (m.nextOrder >= m.songLength) m.nextOrder = 0;
            break;
        }
        case 14:
            switch (hi) {
                case 1:
                    if (lo) c.finePortaUpMemory = static_cast<std::uint8_t>(lo);
                    c.period -= c.finePortaUpMemory * 4;
                    break;
                case 2:
                    if (lo) c.finePortaDownMemory = static_cast<std::uint8_t>(lo);
                    c.period += c.finePortaDownMemory * 4;
                    break;
                case 4: c.waveControl = static_cast<std::uint8_t>((c.waveControl & 0xF0) | lo); break;
                case 5:
                    // The shared empty sample stands in for every missing one and stays untouched.
                    if (&sample != &emptySample()) sample.finetune = static_cast<std::int8_t>(lo);
                    break;
                case 6:
                    if (lo == 0) {
                        c.loopRow = m.row;
                    } else {
                        if (c.loopCount == 0)
                            c.loopCount = lo;
                        else
                            c.loopCount -= 1;
                        if (c.loopCount != 0) m.nextRow = c.loopRow;
                    }
                    break;
                case 7: c.waveControl = static_cast<std::uint8_t>((c.waveControl & 0x0F) | (lo << 4)); break;
                case 8:
                    c.panning = lo * 16;
                    c.updateFlags |= updateFlag::panning;
                    break;
                case 10:
                    if (lo) c.fineVolumeSlideMemory = static_cast<std::uint8_t>(lo);
                    volumeUp(c, c.fineVolumeSlideMemory);
                    c.updateFlags |= updateFlag::volume;
                    break;
                case 11:
                    if (lo) c.fineVolumeSlideMemory = static_cast<std::uint8_t>(lo);
                    volumeDown(c, c.fineVolumeSlideMemory);
                    c.updateFlags |= updateFlag::volume;
                    break;
                case 12:
                    // A cut at tick 0 silences the note at once, as a delay of 0 plays it at once.
                    if (lo == 0) {
                        c.volume = 0;
                        c.updateFlags |= updateFlag::volume;
                    }
                    break;
                case 13:
                    if (lo == 0) break;  // a delay of 0 ticks plays the note at once, as written
                    c.period = remembered.period;
                    c.volume = remembered.volume;
                    c.panning = remembered.panning;
                    clearFlags(c, updateFlag::frequency | updateFlag::volume | updateFlag::panning | updateFlag::trigger);
                    break;
                case 14: m.patternDelayTicks = lo * m.speed; break;
                default: break;
            }
            break;
        case 15:
            if (x < 32)
                m.speed = x;
            else
                setBpm(m, x);
            break;
        case 16:
            m.globalVolume = std::min<std::int32_t>(x, 64);
            c.updateFlags |= updateFlag::volume;
            break;
        case 17:
            if (x) m.globalVolumeSlideMemory = x;
            break;
        case 21:
            if (ins.volumeType & 1) setEnvelopePosition(c, ins, x);
            break;
        case 25:
            if (x) {
                c.panningSlideMemory = x;
                c.updateFlags |= updateFlag::panning;
            }
            break;
        case 27:
            if (x) {
                c.retrigVolumeOp = static_cast<std::uint8_t>(hi);
                c.retrigInterval = static_cast<std::uint8_t>(lo);
            }
            break;
        case 29:
            if (x) {
                c.tremorOn = static_cast<std::uint8_t>(hi + 1);
                c.tremorOff = static_cast<std::uint8_t>(lo + 1);
            }
            tremor(c);
            break;
        case 33:
            if (hi == 1) {
                if (lo) c.extraFinePortaUpMemory = static_cast<std::uint8_t>(lo);
                c.period -= c.extraFinePortaUpMemory;
            } else if (hi == 2) {
                if (lo) c.extraFinePortaDownMemory = static_cast<std::uint8_t>(lo);
                c.period += c.extraFinePortaDownMemory;
            }
            break;
        default: break;
    }
}

void effectLaterTick(Module& m, Channel& c, const NoteCell& cell, const Instrument& ins, Sample& sample) {
    const std::uint8_t x = cell.param;
    const std::int32_t hi = x >> 4, lo = x & 15;
    switch (cell.effect) {
        case 0:
            if (x) {
                const std::int32_t phase = m.tick % 3;
                const std::int32_t s = phase == 1 ? hi : phase == 2 ? lo : 0;
                if (m.flags & linearFrequencyFlag)
                    c.periodDelta = s * 64;
                else
                    c.periodDelta = amigaPeriod(c.realNote + s, sample.finetune) - amigaPeriod(c.realNote, sample.finetune);
                c.updateFlags |= updateFlag::frequency;
            }
            break;
        case 1:
            c.period = std::max(c.period - c.portaUpMemory * 4, 56);
            c.periodDelta = 0;
            c.updateFlags |= updateFlag::frequency;
            break;
        case 2:
            c.period += c.portaDownMemory * 4;
            c.periodDelta = 0;
            c.updateFlags |= updateFlag::frequency;
            break;
        case 3:
            c.periodDelta = 0;
            tonePortamento(c);
            break;
        case 4:
            vibrato(c);
            advance(c.vibratoPosition, c.vibratoSpeed);
            break;
        case 5:
            c.periodDelta = 0;
            tonePortamento(c);
            volumeSlide(c);
            break;
        case 6:
            vibrato(c);
            advance(c.vibratoPosition, c.vibratoSpeed);
            volumeSlide(c);
            break;
        case 7: tremolo(c); break;
        case 10: volumeSlide(c); break;
        case 14:
            switch (hi) {
                case 9:
                    if (lo && m.tick % lo == 0) c.updateFlags |= updateFlag::trigger | updateFlag::frequency | updateFlag::volume;
                    break;
                case 12:
                    if (m.tick == lo) {
                        c.volume = 0;
                        c.updateFlags |= updateFlag::volume;
                    }
                    break;
                case 13:
                    if (lo == 0) break;
                    if (m.tick == lo) {
                        resetChannel(c, sample);
                        c.period = c.notePeriod;
                        c.updateFlags |= updateFlag::frequency;
                        if (cell.volume) volumeColumnFirstTick(c, cell.volume);
                        c.updateFlags |= updateFlag::trigger;
                    } else {
                        clearFlags(c, updateFlag::frequency | updateFlag::volume | updateFlag::panning | updateFlag::trigger);
                    }
                    break;
                default: break;
            }
            break;
        case 17: {
            const std::int32_t g = m.globalVolumeSlideMemory;
            if (g / 16 != 0)
                m.globalVolume = std::min(m.globalVolume + g / 16, 64);
            else
                m.globalVolume = std::max(m.globalVolume - g % 16, 0);
            break;
        }
        case 25: {
            const std::int32_t p = c.panningSlideMemory;
            if (p / 16 != 0)
                c.panning = std::min(c.panning + p / 16, 255);
            else
                c.panning = std::max(c.panning - p % 16, 0);
            c.updateFlags |= updateFlag::panning;
            break;
        }
        case 27:
            if (c.retrigInterval != 0 && m.tick % c.retrigInterval == 0) {
                applyRetrigVolume(c);
                c.updateFlags |= updateFlag::trigger;
            }
            break;
        case 29: tremor(c); break;
        default: break;
    }
    (void)ins;
}
