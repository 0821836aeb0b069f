#include "music/mixer.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

std::array<Voice, voiceCount> voiceRecords;
std::int32_t rampFrames = 128;
float rampReciprocal = 1.0f / 128.0f;

constexpr std::uint32_t slowestStepFraction = 24932236;  // about 0.0058 samples per frame
constexpr float fractionScale = 1.0f / 2147483648.0f;    // 2^-31

void stopVoice(Voice& v) {
    v.sample = nullptr;
    v.position = 0;
    v.positionFraction = 0;
}

// The interpolation between a frame's two neighbours, written once for every path: F is
// float for one frame or __m128 for four (GCC and Clang give the vector type the same
// operators, lane by lane), so the paths give the same value to the last bit.
template <typename F>
F interpolate(F x0, F x1, F t) {
    return x0 + t * (x1 - x0);
}

// The weight of the upper neighbour: the fraction's upper 31 bits, exact in a float's
// conversion from a signed 32-bit integer.
std::int32_t weightBits(std::uint64_t position) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(position) >> 1);
}

template <typename Value>
float frameValue(const Value* data, std::uint64_t position) {
    const std::uint32_t a = static_cast<std::uint32_t>(position >> 32);
    return interpolate<float>(data[a], data[a + 1], static_cast<float>(weightBits(position)) * fractionScale);
}

// Adds `count` frames of one voice into `out` at constant gains or along a ramp; returns the
// advanced 32.32 position.  No boundary tests: the caller has measured the span.
template <bool Ramp, typename Value>
std::uint64_t mixSpan(const Value* data, std::uint64_t position, std::uint64_t step, bool forward, float* out,
                      std::int32_t count, float& gl, float& gr, float dl, float dr) {
    const std::uint64_t delta = forward ? step : (0 - step);
    float left = gl, right = gr;
    if (!Ramp && left == 0.0f && right == 0.0f) {
        // A silent voice (a note fading out on its partner has reached 0) only moves on.
        return position + delta * static_cast<std::uint64_t>(count);
    }
    std::int32_t i = 0;
#if defined(__SSE2__)
    if constexpr (!Ramp && std::is_same_v<Value, float>) {
        // Four frames per pass from float data: each frame's two neighbours in one 64-bit load.
        const __m128 gains = _mm_setr_ps(left, right, left, right);
        const __m128 scale = _mm_set1_ps(fractionScale);
        for (; i + 3 < count; i += 4) {
            const std::uint64_t p0 = position, p1 = p0 + delta, p2 = p1 + delta, p3 = p2 + delta;
            position = p3 + delta;
            const __m128 n01 = _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(data + (p0 >> 32))),
                                            reinterpret_cast<const __m64*>(data + (p1 >> 32)));
            const __m128 n23 = _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(data + (p2 >> 32))),
                                            reinterpret_cast<const __m64*>(data + (p3 >> 32)));
            const __m128 x0 = _mm_shuffle_ps(n01, n23, _MM_SHUFFLE(2, 0, 2, 0));
            const __m128 x1 = _mm_shuffle_ps(n01, n23, _MM_SHUFFLE(3, 1, 3, 1));
            const __m128i f = _mm_setr_epi32(weightBits(p0), weightBits(p1), weightBits(p2), weightBits(p3));
            const __m128 sv = interpolate<__m128>(x0, x1, _mm_mul_ps(_mm_cvtepi32_ps(f), scale));
            _mm_storeu_ps(out, _mm_add_ps(_mm_loadu_ps(out), _mm_mul_ps(_mm_unpacklo_ps(sv, sv), gains)));
            _mm_storeu_ps(out + 4, _mm_add_ps(_mm_loadu_ps(out + 4), _mm_mul_ps(_mm_unpackhi_ps(sv, sv), gains)));
            out += 8;
        }
    }
#endif
    // Two frames per pass keeps the loop overhead low; along a ramp the gains still step
    // once per frame, in the same order as one frame at a time.
    for (; i + 1 < count; i += 2) {
        const float sa = frameValue(data, position);
        position += delta;
        const float sb = frameValue(data, position);
        position += delta;
        float left2 = left, right2 = right;
        if constexpr (Ramp) {
            left2 += dl;
            right2 += dr;
        }
#if defined(__SSE2__)
        // Both frames' left and right sums in one vector add (the same products and sums).
        const __m128 gains = _mm_setr_ps(left, right, left2, right2);
        const __m128 values = _mm_unpacklo_ps(_mm_set_ss(sa), _mm_set_ss(sb));  // sa, sb, 0, 0
        const __m128 spread = _mm_unpacklo_ps(values, values);                   // sa, sa, sb, sb
        _mm_storeu_ps(out, _mm_add_ps(_mm_loadu_ps(out), _mm_mul_ps(spread, gains)));
#else
        out[0] += sa * left;
        out[1] += sa * right;
        out[2] += sb * left2;
        out[3] += sb * right2;
#endif
        out += 4;
        if constexpr (Ramp) {
            left = left2 + dl;
            right = right2 + dr;
        }
    }
    for (; i < count; ++i) {
        const float s = frameValue(data, position);
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

template <typename Value>
void mixVoice(Voice& v, const Value* data, float* out, std::int32_t frames) {
    const Sample* s = v.sample;
    // A loop of length 0 (only a hand-made sample can have one) would turn on the spot.
    const bool looped = (s->loopMode == 2 || s->loopMode == 4) && s->loopLength > 0;
    const std::uint64_t ls = looped ? s->loopStart : 0;
    const std::uint64_t le = looped ? ls + s->loopLength : s->length;
    std::uint64_t stepFraction = v.stepFraction;
    if (v.stepInteger == 0 && stepFraction == 0) stepFraction = slowestStepFraction;
    const std::uint64_t step = (static_cast<std::uint64_t>(v.stepInteger) << 32) | stepFraction;
    std::uint64_t P = (static_cast<std::uint64_t>(v.position) << 32) | v.positionFraction;

    std::int32_t n = frames;
    while (n > 0) {
        [[maybe_unused]] const std::uint64_t startP = P;
        [[maybe_unused]] const std::int32_t startDirection = v.direction;
        // 1. How far to the loop end (forward) or loop start (backward), in whole frames
        // rounded up with the full step: after the span the voice stands at or past its
        // boundary, never a hair before it, so the turn below always moves it; and every
        // frame mixed lies before the boundary, so none reads past the guard sample.
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
        const std::uint64_t toBoundary = D / step + (D % step != 0 ? 1 : 0);
        if (toBoundary <= static_cast<std::uint64_t>(span)) {
            span = static_cast<std::int32_t>(toBoundary);
            atBoundary = true;
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
        // 4. The boundary (a ramp that ended first resumes at step 1 instead).
        if (atBoundary && !rampCut) {
            if (!looped) {
                stopVoice(v);
                return;
            }
            if (s->loopMode == 2) {
                // At or past the loop end: the loop length comes off at least once.
                std::uint32_t position = static_cast<std::uint32_t>(P >> 32);
                const std::uint32_t ll = s->loopLength;
                position -= ll * ((position - static_cast<std::uint32_t>(le)) / ll + 1);
                P = (static_cast<std::uint64_t>(position) << 32) | static_cast<std::uint32_t>(P);
            } else {
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
                // A position that was far outside the loop cannot be reflected into it (and
                // one exactly at the loop start lands a hair before it): start over there.
                if ((P >> 32) < ls || (P >> 32) >= le) {
                    P = ls << 32;
                    v.direction = 1;
                }
            }
        }
        // Every pass mixes frames or moves the voice; one that did neither would spin here
        // for ever.  Debug and sanitizer builds stop on it; elsewhere the voice falls silent.
        const bool advanced = span > 0 || P != startP || v.direction != startDirection;
        assert(advanced);
        if (!advanced) {
            stopVoice(v);
            return;
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
        const Sample* s = v.sample;
        if (!s) continue;
        const std::size_t needed = static_cast<std::size_t>(s->length) + 2;
        if (s->length == 0 || s->data.size() < needed ||
            static_cast<std::uint64_t>(s->loopStart) + s->loopLength > s->length) {
            // The empty sample (or one without data, or a loop outside it) ends at once, silently.
            stopVoice(v);
        } else if (s->mixData.size() >= needed) {
            mixVoice(v, s->mixData.data(), buffer, frames);
        } else {
            mixVoice(v, s->data.data(), buffer, frames);
        }
    }
}

void convertBlock(std::int16_t* destination, const float* buffer, std::int32_t frames) {
    if (frames <= 0 || !destination || !buffer) return;
    const std::int32_t count = 2 * frames;
    std::int32_t i = 0;
#if defined(__SSE2__)
    // Eight values at a time: clamp, convert in the default rounding mode (nearest, ties to
    // even), pack with saturation.
    const __m128 low = _mm_set1_ps(-32768.0f), high = _mm_set1_ps(32767.0f);
    for (; i + 8 <= count; i += 8) {
        const __m128 a = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(buffer + i), low), high);
        const __m128 b = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(buffer + i + 4), low), high);
        const __m128i packed = _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), packed);
    }
#endif
    for (; i < count; ++i) {
        const float v = std::clamp(buffer[i], -32768.0f, 32767.0f);
        destination[i] = static_cast<std::int16_t>(std::nearbyint(v));  // ties to even
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

// Panning 0 is hard left and 255 hard right, as songs are written for every other player.
void voiceSetVolume(Voice* v, std::int32_t volume) {
    if (!v) return;
    v->volume = volume;
    v->leftTarget = volume * (255 - v->panning) / 255;
    v->rightTarget = volume * v->panning / 255;
}

void voiceSetPanning(Voice* v, std::int32_t panning) {
    if (!v) return;
    v->leftTarget = v->volume * (255 - panning) / 255;
    v->rightTarget = v->volume * panning / 255;
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
    // From the sample's start it plays forward: a ping-pong voice caught running backward
    // would otherwise turn at once at the loop start and skip everything before it.
    v->direction = 1;
}
