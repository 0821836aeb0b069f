#include "music/mixer.h"

#include <algorithm>
#include <cmath>

namespace {

std::array<Voice, voiceCount> voiceRecords;
std::int32_t rampFrames = 128;
float rampReciprocal = 1.0f / 128.0f;

constexpr std::uint64_t boundaryReach = 1ull << 56;
constexpr std::uint32_t slowestStepFraction = 24932236;  // about 0.0058 samples per frame
constexpr float fractionScale = 1.0f / 2147483648.0f;    // 2^-31

void stopVoice(Voice& v) {
    v.sample = nullptr;
    v.position = 0;
    v.positionFraction = 0;
}

// Adds `count` frames of one voice into `out` at constant gains or along a ramp; returns the
// advanced 32.32 position.  No boundary tests: the caller has measured the span.
template <bool Ramp>
std::uint64_t mixSpan(const std::int16_t* data, std::uint64_t position, std::uint64_t step, bool forward, float* out,
                      std::int32_t count, float& gl, float& gr, float dl, float dr) {
    const std::uint64_t delta = forward ? step : (0 - step);
    float left = gl, right = gr;
    std::int32_t i = 0;
    if constexpr (!Ramp) {
        // Two frames per pass keeps the steady case light on loop overhead.
        for (; i + 1 < count; i += 2) {
            const std::uint32_t a = static_cast<std::uint32_t>(position >> 32);
            const float ta = static_cast<float>(static_cast<std::uint32_t>(position) >> 1) * fractionScale;
            const float x0a = data[a], x1a = data[a + 1];
            const float sa = x0a + ta * (x1a - x0a);
            position += delta;
            const std::uint32_t b = static_cast<std::uint32_t>(position >> 32);
            const float tb = static_cast<float>(static_cast<std::uint32_t>(position) >> 1) * fractionScale;
            const float x0b = data[b], x1b = data[b + 1];
            const float sb = x0b + tb * (x1b - x0b);
            position += delta;
            out[0] += sa * left;
            out[1] += sa * right;
            out[2] += sb * left;
            out[3] += sb * right;
            out += 4;
        }
    }
    for (; i < count; ++i) {
        const std::uint32_t a = static_cast<std::uint32_t>(position >> 32);
        const float t = static_cast<float>(static_cast<std::uint32_t>(position) >> 1) * fractionScale;
        const float x0 = data[a], x1 = data[a + 1];
        const float s = x0 + t * (x1 - x0);
        out[0] += s * left;
        out[1] += s * right;
        out += 2;
        position += delta;
        if constexpr (Ramp) {
            left += dl;
            right += dr;
        }
    }
    gl = left;
    gr = right;
    return position;
}

void mixVoice(Voice& v, float* out, std::int32_t frames) {
    const Sample* s = v.sample;
    if (s->length == 0 || s->data.size() < static_cast<std::size_t>(s->length) + 2) {
        stopVoice(v);  // the empty sample (or one without data) ends at once, silently
        return;
    }
    const std::int16_t* data = s->data.data();
    const std::uint64_t ls = s->loopStart;
    const std::uint64_t le = ls + s->loopLength;
    std::uint64_t stepFraction = v.stepFraction;
    if (v.stepInteger == 0 && stepFraction == 0) stepFraction = slowestStepFraction;
    const std::uint64_t step = (static_cast<std::uint64_t>(v.stepInteger) << 32) | stepFraction;
    const std::uint64_t step824 = (static_cast<std::uint64_t>(v.stepInteger) << 24) + (stepFraction >> 8);
    std::uint64_t P = (static_cast<std::uint64_t>(v.position) << 32) | v.positionFraction;

    std::int32_t n = frames;
    while (n > 0) {
        // 1. How far to the loop end (forward) or loop start (backward).
        const bool forward = v.direction != 2;
        std::int32_t span = n;
        bool atBoundary = false;
        std::uint64_t D;
        if (forward) {
            const std::uint64_t B = (P >> 32) > le ? s->length : le;
            D = P >= (B << 32) ? 0 : (B << 32) - P;  // already beyond: turn at once
        } else {
            D = P <= (ls << 32) ? 0 : P - (ls << 32);
        }
        if (D < boundaryReach) {
            std::uint64_t toBoundary = ((D >> 8) + step824 - 1) / step824;
            // Backward, the 8.24 estimate may overshoot the loop start by a fraction of a
            // sample, which at loop start 0 would read before the data.
            if (!forward) toBoundary = std::min(toBoundary, (D + step - 1) / step);
            if (toBoundary <= static_cast<std::uint64_t>(span)) {
                span = static_cast<std::int32_t>(toBoundary);
                atBoundary = true;
            }
        }

        // 2. Ramp planning.
        bool ramp = v.rampRemaining > 0;
        if (!(ramp && v.leftTarget == v.plannedLeftTarget && v.rightTarget == v.plannedRightTarget)) {
            v.plannedLeftTarget = v.leftTarget;
            v.plannedRightTarget = v.rightTarget;
            const std::int32_t dl = v.leftTarget - (v.leftVolume >> 8);
            const std::int32_t dr = v.rightTarget - (v.rightVolume >> 8);
            v.leftRampStep = dl ? static_cast<float>(dl) * (1.0f / 255.0f) * rampReciprocal : 0.0f;
            v.rightRampStep = dr ? static_cast<float>(dr) * (1.0f / 255.0f) * rampReciprocal : 0.0f;
            ramp = dl != 0 || dr != 0;
            v.rampRemaining = ramp ? rampFrames : 0;
            if (!ramp) {
                // At rest the gains are exactly the targets.
                v.leftVolume = v.leftTarget * 256;
                v.rightVolume = v.rightTarget * 256;
            }
        }
        bool rampCut = false;
        if (ramp && v.rampRemaining < span) {
            span = v.rampRemaining;
            atBoundary = false;
            rampCut = true;
        }

        // 3. Mix the span.
        if (ramp) {
            float gl = static_cast<float>(v.leftVolume) / 256.0f / 255.0f;
            float gr = static_cast<float>(v.rightVolume) / 256.0f / 255.0f;
            P = mixSpan<true>(data, P, step, forward, out, span, gl, gr, v.leftRampStep, v.rightRampStep);
            v.leftVolume = static_cast<std::int32_t>(std::lround(gl * 255.0f * 256.0f));
            v.rightVolume = static_cast<std::int32_t>(std::lround(gr * 255.0f * 256.0f));
            v.rampRemaining -= span;
            if (v.rampRemaining == 0) {
                v.leftRampStep = v.rightRampStep = 0.0f;
                v.leftVolume = v.leftTarget * 256;
                v.rightVolume = v.rightTarget * 256;
            }
        } else {
            float gl = static_cast<float>(v.leftTarget) / 255.0f;
            float gr = static_cast<float>(v.rightTarget) / 255.0f;
            P = mixSpan<false>(data, P, step, forward, out, span, gl, gr, 0.0f, 0.0f);
        }
        out += 2 * span;
        n -= span;
        if (rampCut) continue;

        // 4. The boundary.
        if (atBoundary) {
            if (s->loopMode == 2) {
                std::uint32_t position = static_cast<std::uint32_t>(P >> 32);
                const std::uint32_t ll = s->loopLength;
                if (ll == 0 || position < ls) {
                    position = static_cast<std::uint32_t>(ls);
                } else if (position >= le) {
                    position -= ll * ((position - static_cast<std::uint32_t>(le)) / ll + 1);
                } else {
                    position -= ll;  // reached exactly: still subtract once
                    if (position < ls) position += ll;
                }
                P = (static_cast<std::uint64_t>(position) << 32) | static_cast<std::uint32_t>(P);
            } else if (s->loopMode == 4) {
                if (!forward) {
                    P = 2 * (ls << 32) - 1 - P;
                    v.direction = 1;
                    if ((P >> 32) >= le) {
                        P = 2 * (le << 32) - 1 - P;
                        v.direction = 2;
                    }
                } else {
                    P = 2 * (le << 32) - 1 - P;
                    v.direction = 2;
                    if ((P >> 32) < ls) {
                        P = 2 * (ls << 32) - 1 - P;
                        v.direction = 1;
                    }
                }
                // A position that was far outside the loop cannot be reflected into it.
                if ((P >> 32) < ls || (P >> 32) >= le) {
                    P = ls << 32;
                    v.direction = 1;
                }
            } else {
                stopVoice(v);
                return;
            }
        }
    }
    v.position = static_cast<std::uint32_t>(P >> 32);
    v.positionFraction = static_cast<std::uint32_t>(P);
}

}  // namespace

std::array<Voice, voiceCount>& voices() { return voiceRecords; }
std::int32_t rampLength() { return rampFrames; }

void mixerReset() {
    for (std::size_t i = 0; i < voiceRecords.size(); ++i) {
        voiceRecords[i] = Voice{};
        voiceRecords[i].index = static_cast<std::int32_t>(i);
        voiceRecords[i].stepInteger = 1;
    }
    rampFrames = mixRate * 128 / 44100;
    rampReciprocal = 1.0f / static_cast<float>(rampFrames);
}

void mixVoices(float* buffer, std::int32_t frames) {
    if (frames <= 0 || !buffer) return;
    for (int i = 0; i < mixedVoiceCount; ++i) {
        Voice& v = voiceRecords[static_cast<std::size_t>(i)];
        if (v.sample) mixVoice(v, buffer, frames);
    }
}

void convertBlock(std::int16_t* destination, const float* buffer, std::int32_t frames) {
    if (frames <= 0 || !destination || !buffer) return;
    for (std::int32_t i = 0; i < 2 * frames; ++i) {
        const float v = std::clamp(buffer[i], -32768.0f, 32767.0f);
        destination[i] = static_cast<std::int16_t>(std::lrintf(v));  // ties to even
    }
}

Voice* voiceTrigger(Voice* voice, const Sample* sample) {
    if (!voice) return nullptr;
    Voice* v = voice;
    if (v->sample) {
        const std::int32_t partner = v->index < partnerDistance ? v->index + partnerDistance : v->index - partnerDistance;
        Voice& copy = voiceRecords[static_cast<std::size_t>(partner)];
        copy = *v;
        copy.index = partner;
        v->volume = 0;
        v->leftTarget = 0;
        v->rightTarget = 0;
        v = &copy;
    }
    v->sample = sample;
    if (sample && v->startOffset >= sample->loopStart + sample->loopLength) v->startOffset = 0;
    v->position = v->startOffset;
    v->positionFraction = 0;
    v->direction = 1;
    v->startOffset = 0;
    v->leftVolume = v->rightVolume = 0;
    v->rampRemaining = 0;
    return v;
}

void voiceSetVolume(Voice* v, std::int32_t volume) {
    if (!v) return;
    v->volume = volume;
    v->leftTarget = volume * v->panning / 255;
    v->rightTarget = volume * (255 - v->panning) / 255;
}

void voiceSetPanning(Voice* v, std::int32_t panning) {
    if (!v) return;
    v->leftTarget = v->volume * panning / 255;
    v->rightTarget = v->volume * (255 - panning) / 255;
    v->panning = panning;
}

void voiceSetFrequency(Voice* v, std::int32_t frequency) {
    if (!v) return;
    const std::uint32_t f = static_cast<std::uint32_t>(std::max(frequency, 100));
    v->stepInteger = f / mixRate;
    v->stepFraction = static_cast<std::uint32_t>((static_cast<std::uint64_t>(f % mixRate) << 32) / mixRate);
}

void voiceRewind(Voice* v) {
    if (!v) return;
    v->position = 0;
    v->positionFraction = 0;
    v->startOffset = 0;
}
