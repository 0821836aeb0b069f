// The mixer on hand-made samples: gains and ramps, partner fades, loop turns, ends and
// the float-to-PCM conversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "music/audio_output.h"
#include "music/mixer.h"
#include "support/xm_songs.h"

namespace {

Sample makeSample(std::uint32_t length, std::int16_t value, std::uint8_t loopMode = 1, std::uint32_t loopStart = 0,
                  std::uint32_t loopLength = 0) {
    Sample s;
    s.length = length;
    s.loopMode = loopMode;
    s.loopStart = loopMode == 1 ? 0 : loopStart;
    s.loopLength = loopMode == 1 ? length : loopLength;
    s.bits = 16;
    s.volume = 64;
    s.data.assign(length + 8, 0);
    for (std::uint32_t i = 0; i < length; ++i) s.data[i] = value;
    const std::uint32_t end = s.loopStart + s.loopLength;
    if (loopMode == 2) s.data[end] = s.data[s.loopStart];
    if (loopMode == 4) s.data[end] = s.data[end - 1];
    return s;
}

// A sample whose value is its index, to read positions back from the output.
Sample rampSample(std::uint32_t length, std::uint8_t loopMode, std::uint32_t loopStart, std::uint32_t loopLength) {
    Sample s = makeSample(length, 0, loopMode, loopStart, loopLength);
    for (std::uint32_t i = 0; i < length; ++i) s.data[i] = static_cast<std::int16_t>(i);
    const std::uint32_t end = s.loopStart + s.loopLength;
    if (loopMode == 2) s.data[end] = s.data[s.loopStart];
    if (loopMode == 4) s.data[end] = s.data[end - 1];
    return s;
}

Voice* startVoice(const Sample& s, int volume, int panning, int frequency) {
    Voice* v = voiceTrigger(&voices()[0], &s);
    voiceSetVolume(v, volume);
    voiceSetPanning(v, panning);
    voiceSetFrequency(v, frequency);
    return v;
}

std::vector<float> mix(int frames) {
    std::vector<float> buffer(static_cast<std::size_t>(frames) * 2, 0.0f);
    mixVoices(buffer.data(), frames);
    return buffer;
}

// A short loop from sample 2 with alternating values, and the float copy the fast paths read.
Sample shortLoop(std::uint32_t loopLength, std::uint8_t loopMode) {
    Sample s = makeSample(loopLength + 4, 0, loopMode, 2, loopLength);
    for (std::uint32_t i = 0; i < s.length; ++i) s.data[i] = static_cast<std::int16_t>(i % 2 ? 7000 : -3000 - 100 * i);
    const std::uint32_t end = s.loopStart + s.loopLength;
    s.data[end] = loopMode == 2 ? s.data[s.loopStart] : s.data[end - 1];
    s.mixData.assign(s.data.begin(), s.data.end());
    return s;
}

// Skips the ramp-in: the gains stand at their targets, as after any steady stretch.
void settle(Voice* v) {
    v->rampRemaining = 0;
    v->leftVolume = v->leftTarget * 256;
    v->rightVolume = v->rightTarget * 256;
    v->plannedLeftTarget = v->leftTarget;
    v->plannedRightTarget = v->rightTarget;
}

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override { mixerReset(); }
};

}  // namespace

TEST_F(MixerTest, ResetPreparesEveryVoice) {
    voices()[7].volume = 99;
    mixerReset();
    for (int i = 0; i < voiceCount; ++i) {
        EXPECT_EQ(voices()[static_cast<std::size_t>(i)].index, i);
        EXPECT_EQ(voices()[static_cast<std::size_t>(i)].stepInteger, 1u);
        EXPECT_EQ(voices()[static_cast<std::size_t>(i)].sample, nullptr);
    }
    EXPECT_EQ(voices()[7].volume, 0);
    EXPECT_EQ(rampLength(), 128);
}

TEST_F(MixerTest, TargetsFollowVolumeAndPanning) {
    Voice& v = voices()[3];
    voiceSetVolume(&v, 127);
    voiceSetPanning(&v, 128);
    EXPECT_EQ(v.leftTarget, 63);
    EXPECT_EQ(v.rightTarget, 63);
    voiceSetPanning(&v, 0);  // hard left
    EXPECT_EQ(v.leftTarget, 127);
    EXPECT_EQ(v.rightTarget, 0);
    voiceSetPanning(&v, 255);
    EXPECT_EQ(v.leftTarget, 0);
    EXPECT_EQ(v.rightTarget, 127);
    voiceSetFrequency(&v, 50);  // floored at 100 Hz
    EXPECT_EQ(v.stepInteger, 0u);
    EXPECT_EQ(v.stepFraction, static_cast<std::uint32_t>((100ull << 32) / 44100));
    voiceSetFrequency(&v, 88200 + 441);
    EXPECT_EQ(v.stepInteger, 2u);
    EXPECT_EQ(v.stepFraction, static_cast<std::uint32_t>((441ull << 32) / 44100));
}

TEST_F(MixerTest, NewNoteRampsUpOverExactly128FramesThenHoldsItsGain) {
    const Sample s = makeSample(100000, 10000, 2, 0, 100000);
    startVoice(s, 127, 0, 44100);
    const auto out = mix(300);
    EXPECT_FLOAT_EQ(out[0], 0.0f);
    EXPECT_LT(out[2 * 64], 10000.0f * 127 / 255);
    EXPECT_GT(out[2 * 64], 0.0f);
    for (int f = 1; f < 128; ++f) EXPECT_GT(out[2 * f], out[2 * (f - 1)]) << f;
    for (int f = 128; f < 300; ++f) {
        EXPECT_NEAR(out[2 * f], 10000.0f * 127 / 255, 0.01f) << f;
        EXPECT_EQ(out[2 * f + 1], 0.0f);
    }
    EXPECT_EQ(voices()[0].rampRemaining, 0);
    EXPECT_EQ(voices()[0].leftVolume, 127 * 256);
}

TEST_F(MixerTest, RampSplitAcrossCallsMatchesOneCall) {
    const Sample s = makeSample(100000, 1000, 2, 0, 100000);
    startVoice(s, 100, 60, 30000);
    const auto whole = mix(400);
    mixerReset();
    startVoice(s, 100, 60, 30000);
    std::vector<float> parts;
    for (int n : {50, 1, 77, 272}) {
        const auto p = mix(n);
        parts.insert(parts.end(), p.begin(), p.end());
    }
    ASSERT_EQ(parts.size(), whole.size());
    for (std::size_t i = 0; i < whole.size(); ++i) EXPECT_NEAR(parts[i], whole[i], 0.05f) << i;
}

TEST_F(MixerTest, RetriggerFadesTheOldNoteOnThePartnerVoice) {
    const Sample oldNote = makeSample(100000, 8000, 2, 0, 100000);
    const Sample newNote = makeSample(100000, -8000, 2, 0, 100000);
    Voice* v = startVoice(oldNote, 127, 0, 44100);
    mix(200);
    Voice* next = voiceTrigger(v, &newNote);
    EXPECT_EQ(next->index, 32);
    voiceSetVolume(next, 127);
    voiceSetPanning(next, 0);
    EXPECT_EQ(voices()[0].sample, &oldNote);
    EXPECT_EQ(voices()[0].leftTarget, 0);
    const auto out = mix(200);
    // The sum crosses from +old to -new: both ramps last 128 frames, so at frame 64 they cancel.
    EXPECT_NEAR(out[0], 8000.0f * 127 / 255, 40.0f);
    EXPECT_NEAR(out[2 * 64], 0.0f, 40.0f);
    EXPECT_NEAR(out[2 * 150], -8000.0f * 127 / 255, 0.01f);
    // The faded voice keeps playing silently; triggering back reuses index 0.
    EXPECT_EQ(voices()[0].leftVolume, 0);
    Voice* back = voiceTrigger(next, &oldNote);
    EXPECT_EQ(back->index, 0);
}

TEST_F(MixerTest, UnloopedSampleEndsAfterItsLength) {
    const Sample s = makeSample(100, 5000);
    Voice* v = startVoice(s, 127, 0, 44100);
    v->rampRemaining = 0;
    const auto out = mix(300);
    EXPECT_EQ(voices()[0].sample, nullptr);
    EXPECT_EQ(voices()[0].position, 0u);
    EXPECT_NE(out[2 * 99], 0.0f);
    for (int f = 100; f < 300; ++f) EXPECT_EQ(out[2 * f], 0.0f) << f;
}

TEST_F(MixerTest, EmptySampleStopsWithoutOutput) {
    Sample empty;
    startVoice(empty, 127, 128, 44100);
    const auto out = mix(64);
    EXPECT_EQ(voices()[0].sample, nullptr);
    for (float x : out) EXPECT_EQ(x, 0.0f);
}

TEST_F(MixerTest, ForwardLoopWrapsIntoTheLoop) {
    const Sample s = rampSample(40, 2, 10, 10);
    Voice* v = startVoice(s, 255, 0, 3 * 44100);
    v->position = 18;
    mix(1);
    EXPECT_EQ(voices()[0].position, 11u);  // 18 + 3 = 21 -> 11
    mix(1);
    EXPECT_EQ(voices()[0].position, 14u);
    // A hair before the loop end: one frame on, then back by the loop length.
    v->position = 19;
    v->positionFraction = 0xFFFFFFFFu;
    mix(1);
    EXPECT_EQ(voices()[0].position, 12u);  // 19.99... + 3 = 22.99... -> 12.99...
}

TEST_F(MixerTest, PingPongTurnsAtBothEnds) {
    const Sample s = rampSample(40, 4, 10, 10);
    Voice* v = startVoice(s, 255, 0, 44100);
    std::vector<std::uint32_t> positions;
    std::vector<int> directions;
    for (int f = 0; f < 40; ++f) {
        mix(1);
        positions.push_back(v->position);
        directions.push_back(v->direction);
    }
    // Up to 19, turn at 20 (back to 19 with the fraction just below 1), down to 10, turn again.
    EXPECT_EQ(positions[18], 19u);
    EXPECT_EQ(directions[19], 2);
    EXPECT_EQ(*std::max_element(positions.begin(), positions.end()), 19u);
    EXPECT_EQ(*std::min_element(positions.begin() + 20, positions.end()), 10u);  // reflected at once
    const auto turnBack = std::find(directions.begin() + 20, directions.end(), 1);
    EXPECT_NE(turnBack, directions.end());
    // A hair before the end it turns there too, not back at the loop start.
    mixerReset();
    v = startVoice(s, 255, 0, 60417);  // 1.37 samples a frame
    v->position = 19;
    v->positionFraction = 0xFFFFFFFFu;
    mix(1);
    EXPECT_EQ(v->direction, 2);
    EXPECT_EQ(v->position, 18u);  // 19.99... + 1.37 = 21.37, reflected about 20: 18.63
    voiceRewind(v);  // while running backward: from the start forward, not from the loop start
    mix(1);
    EXPECT_EQ(v->position, 1u);
}

TEST_F(MixerTest, ShortLoopsTurnInsideTheLoopFromAnyPositionAndPitch) {
    // Loops of 1, 2, 3 and 16 samples at 48 pitches from 100 Hz to 8 samples a frame, from
    // fractional positions that include a hair (2^-32, 2^-24) before the loop end.
    const std::uint32_t fractions[] = {0u, 1u, 255u, 256u, 0x80000000u, 0xFFFFFF00u, 0xFFFFFFFFu};
    int cases = 0, failures = 0;
    for (std::uint32_t ll : {1u, 2u, 3u, 16u}) {
        for (std::uint8_t mode : {std::uint8_t{2}, std::uint8_t{4}}) {
            const Sample s = shortLoop(ll, mode);
            for (int pitch = 0; pitch < 48; ++pitch) {
                const int frequency = static_cast<int>(100.0 * std::pow(2.0, pitch * 0.25) + pitch * 0.37);
                for (std::uint32_t at = 0; at < ll; at += ll > 3 ? 5 : 1) {
                    for (std::uint32_t fraction : fractions) {
                        mixerReset();
                        Voice* v = startVoice(s, 100, 128, frequency);
                        v->position = 2 + at;
                        v->positionFraction = fraction;
                        ++cases;
                        for (int frames : {1, 7, 64, 228}) {
                            mix(frames);
                            const Voice& w = voices()[0];
                            if (w.sample == nullptr || w.position < 2 || w.position >= 2 + ll) {
                                if (++failures == 1)
                                    ADD_FAILURE() << "loop " << ll << " mode " << int{mode} << " at " << frequency
                                                  << " Hz from " << at << "+" << fraction << ": position " << w.position;
                                break;
                            }
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(cases, 6720);
    EXPECT_EQ(failures, 0);
}

TEST_F(MixerTest, FourTwoAndOneFramePathsAgreeFromFractionalPositions) {
    // One frame per call takes the single-frame path; longer calls the four- and two-frame
    // paths and their tails.  Both directions, across loop turns, at fractional steps.
    for (std::uint8_t mode : {std::uint8_t{2}, std::uint8_t{4}}) {
        const Sample s = shortLoop(16, mode);
        for (int frequency : {7919, 30011, 60417, 101113}) {
            for (int count = 1; count <= 9; ++count) {
                std::vector<float> alone, together;
                for (std::vector<float>* result : {&alone, &together}) {
                    mixerReset();
                    Voice* v = startVoice(s, 113, 77, frequency);
                    v->position = 9;
                    v->positionFraction = 0x9E3779B9u;
                    settle(v);
                    for (int pass = 0; pass < 12; ++pass) {
                        if (result == &together) {
                            const auto out = mix(count);
                            result->insert(result->end(), out.begin(), out.end());
                        } else {
                            for (int f = 0; f < count; ++f) {
                                const auto out = mix(1);
                                result->insert(result->end(), out.begin(), out.end());
                            }
                        }
                    }
                }
                ASSERT_EQ(alone, together) << "mode " << int{mode} << ", " << frequency << " Hz, " << count << " frames";
            }
        }
    }
}

TEST_F(MixerTest, SongWithAShortLoopNearItsEndPlaysToTheEnd) {
    // A 16-sample square wave looped forward, E-4 with finetune -16 on the linear table: its
    // voice lands a hair before the loop end, where it once stood still for ever.
    XmSong song = xmtest::songFromText(1, {xmtest::patternText(1, 16, {{0, "E-4 01 .. ..."}})});
    XmSample square;
    for (int i = 0; i < 16; ++i) square.data.push_back(i < 8 ? 100 : -100);
    square.loop = XmLoop::Forward;
    square.loopLength = 16;
    square.finetune = -16;
    song.instruments[0] = xmtest::instrumentWith(square);
    const xmtest::ModulePtr module = xmtest::load(song);
    ASSERT_TRUE(module);
    ASSERT_TRUE(startPlaybackOffline(module.get()));
    int loud = 0;
    for (int block = 0; block < 100; ++block) {
        mixBlock();
        const std::int16_t* pcm = ringBlock(block % blockCount);
        ASSERT_NE(pcm, nullptr);
        loud += std::count_if(pcm, pcm + 2 * blockFrames, [](std::int16_t x) { return x > 1000; });
    }
    EXPECT_TRUE(module->songLooped);
    EXPECT_GT(loud, 40 * blockFrames);
    stopPlayback(module.get());
}

TEST_F(MixerTest, InterpolatesBetweenNeighbours) {
    const Sample s = rampSample(1000, 2, 0, 1000);
    settle(startVoice(s, 255, 0, 22050));  // half a sample per frame
    const auto out = mix(6);
    for (int f = 0; f < 6; ++f) EXPECT_NEAR(out[2 * f], 0.5f * f, 1e-3f) << f;
}

TEST_F(MixerTest, VoicePastItsSampleEndIsContained) {
    // Positions the player cannot produce but corrupted state could: no read outside the data.
    const Sample forward = rampSample(50, 2, 10, 20);
    Voice* v = startVoice(forward, 127, 128, 44100);
    v->position = 4000000000u;
    mix(10);
    EXPECT_GE(voices()[0].position, 10u);
    EXPECT_LT(voices()[0].position, 30u);
    mixerReset();
    const Sample pingpong = rampSample(50, 4, 10, 20);
    v = startVoice(pingpong, 127, 128, 44100);
    v->position = 3000000000u;
    mix(10);
    EXPECT_GE(voices()[0].position, 10u);
    EXPECT_LT(voices()[0].position, 30u);
    mixerReset();
    const Sample once = rampSample(50, 1, 0, 0);
    v = startVoice(once, 127, 128, 44100);
    v->position = 60;
    mix(10);
    EXPECT_EQ(voices()[0].sample, nullptr);
}

TEST_F(MixerTest, FloatCopyOfTheDataMixesExactlyLikeTheSamples) {
    // Loaded samples carry a float copy the fast paths read; hand-made ones only 16-bit data.
    Sample plain = rampSample(3000, 4, 500, 2000);
    for (std::uint32_t i = 0; i < 3000; ++i) plain.data[i] = static_cast<std::int16_t>((i * 7919) % 30000 - 15000);
    plain.data[2500] = plain.data[2499];
    Sample prepared = plain;
    prepared.mixData.assign(prepared.data.begin(), prepared.data.end());
    std::vector<std::vector<float>> outputs;
    for (const Sample* s : {&plain, &prepared}) {
        mixerReset();
        Voice* v = startVoice(*s, 100, 90, 61234);
        std::vector<float> all;
        for (int block = 0; block < 40; ++block) {
            if (block % 7 == 3) voiceSetVolume(v, 20 + block);  // ramps in between
            const auto out = mix(block % 2 ? 883 : 5);
            all.insert(all.end(), out.begin(), out.end());
        }
        outputs.push_back(all);
    }
    ASSERT_EQ(outputs[0].size(), outputs[1].size());
    for (std::size_t i = 0; i < outputs[0].size(); ++i) ASSERT_EQ(outputs[0][i], outputs[1][i]) << i;
}

TEST_F(MixerTest, ConvertRoundsHalfToEvenAndClips) {
    const std::vector<float> in = {40000.0f, -40000.4f, 2.5f, 3.5f, -2.5f, 0.49f, -0.51f, 32767.4f};
    std::vector<std::int16_t> out(in.size(), 99);
    convertBlock(out.data(), in.data(), static_cast<std::int32_t>(in.size() / 2));
    EXPECT_EQ(out, (std::vector<std::int16_t>{32767, -32768, 2, 4, -2, 0, -1, 32767}));
    // Short blocks and block tails take the one-value-at-a-time path: same results.
    for (std::size_t at = 0; at < in.size(); at += 2) {
        std::int16_t pair[2] = {99, 99};
        convertBlock(pair, in.data() + at, 1);
        EXPECT_EQ(pair[0], out[at]);
        EXPECT_EQ(pair[1], out[at + 1]);
    }
    const std::vector<float> huge = {1e10f, -1e10f, 0, 0, 0, 0, 0, 0, 1e10f, -1e10f};
    std::vector<std::int16_t> clipped(huge.size());
    convertBlock(clipped.data(), huge.data(), 5);
    EXPECT_EQ(clipped[0], 32767);
    EXPECT_EQ(clipped[1], -32768);
    EXPECT_EQ(clipped[8], 32767);
    EXPECT_EQ(clipped[9], -32768);
    convertBlock(out.data(), in.data(), 0);
    convertBlock(nullptr, in.data(), 4);
    EXPECT_EQ(out[0], 32767);
}
