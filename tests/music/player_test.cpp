// The pattern player tick by tick: row and order flow, note and instrument handling,
// envelopes, fade-out, automatic vibrato and the frequency tables.
#include <gtest/gtest.h>

#include <cmath>

#include "music/mixer.h"
#include "music/player.h"
#include "support/xm_songs.h"

using namespace xmtest;

namespace {

std::uint32_t stepFractionFor(std::uint32_t f) {
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(f % 44100) << 32) / 44100);
}

}  // namespace

TEST(PlayerTempo, SamplesPerTickIsTheTruncatedSinglePrecisionFormula) {
    Module m;
    for (int bpm = 1; bpm <= 255; ++bpm) {
        setBpm(m, bpm);
        EXPECT_EQ(m.samplesPerTick, 110250 / bpm) << bpm;
        EXPECT_EQ(m.bpm, bpm);
    }
    setBpm(m, 125);
    EXPECT_EQ(m.samplesPerTick, 882);
}

TEST(PlayerFlow, RowsThenOrdersThenRestartPosition) {
    XmSong song = songFromText(1, {patternText(1, 4, {}), patternText(1, 2, {})});
    song.orders = {0, 1, 0};
    song.restartPosition = 1;
    song.speed = 2;
    PlayerRun run(song);
    ASSERT_TRUE(run.module);
    std::vector<std::pair<int, int>> seen;
    for (int t = 0; t < 2 * (4 + 2 + 4 + 2 + 1); ++t) {
        run.tick();
        if (run.module->tick == 1) seen.emplace_back(run.module->order, run.module->row);
    }
    const std::vector<std::pair<int, int>> expected = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 0}, {1, 1}, {2, 0},
                                                       {2, 1}, {2, 2}, {2, 3}, {1, 0}, {1, 1}, {2, 0}};
    EXPECT_EQ(seen, expected);
}

TEST(PlayerFlow, FirstTickRunsBeforeAnyFrameAndSetsTheVoice) {
    PlayerRun run(songFromText(1, {"C-4 01 .. ..."}));
    ASSERT_TRUE(run.module);
    EXPECT_EQ(run.module->samplesPerTick, 882);
    run.tick();
    const Voice& v = *run.channel().voice;
    EXPECT_NE(v.sample, nullptr);
    EXPECT_EQ(v.stepInteger, 0u);
    EXPECT_EQ(v.stepFraction, stepFractionFor(8363));  // real note 48, finetune 0, linear
    EXPECT_EQ(v.volume, 127);                          // full volume
    EXPECT_EQ(v.panning, 128);
}

TEST(PlayerFlow, AmigaTablePlaysPeriod1712At8362Hz) {
    XmSong song = songFromText(1, {"C-4 01 .. ..."});
    song.linearFrequencies = false;
    PlayerRun run(song);
    run.tick();
    EXPECT_EQ(run.channel().period, 1712);
    EXPECT_EQ(run.channel().voice->stepFraction, stepFractionFor(8362));
    EXPECT_EQ(amigaPeriod(48, 0), 1712);
    // Finetune moves toward the neighbouring notes' periods.
    EXPECT_LT(amigaPeriod(48, 64), 1712);
    EXPECT_GT(amigaPeriod(48, 64), amigaPeriod(49, 0));
    EXPECT_GT(amigaPeriod(48, -64), 1712);
    EXPECT_LT(amigaPeriod(48, -64), amigaPeriod(47, 0));
}

TEST(PlayerFlow, LinearFrequencyStaysInside32Bits) {
    EXPECT_EQ(linearFrequency(4608), 8363);
    EXPECT_EQ(linearFrequency(4608 - 768), 16726);
    EXPECT_EQ(linearFrequency(-100000), INT32_MAX);  // a period driven far below zero
    EXPECT_GE(linearFrequency(60000), 0);
}

TEST(PlayerNotes, PortaRowKeepsTheSampleAndSlidesWithThePreviousRelativeNote) {
    XmSong song = songFromText(1, {"C-4 01 .. ...\nE-4 02 .. 305\n"});
    XmSample other = flatSample(500, 2000);
    other.relativeNote = 12;
    song.instruments.push_back(instrumentWith(other));
    PlayerRun run(song);
    run.tick(6);
    Voice* before = run.channel().voice;
    run.tick();  // row 1, tick 0
    EXPECT_EQ(run.channel().voice, before) << "a porta row must not retrigger";
    EXPECT_EQ(run.channel().instrumentIndex, 0);
    EXPECT_EQ(run.channel().notePeriod, 7680 - 64 * 52);  // E-4 with instrument 1's relative note 0
    EXPECT_EQ(run.channel().period, 4608);
    run.tick();
    EXPECT_EQ(run.channel().period, 4608 - 20);
    run.tick(4);
    EXPECT_EQ(run.channel().period, 4608 - 100);
}

TEST(PlayerNotes, NoteOutsideThePlayableRangeMakesNoSound) {
    // E-0 an octave down, and B-7 forty notes up: real notes -8 and 135; neither a note
    // delay nor a retrigger on their row starts them later.
    XmSong song = songFromText(1, {"E-0 01 .. ...\nB-7 02 .. ...\nE-0 01 .. ED3\nB-7 02 .. E92\nC-4 02 .. ..."});
    song.instruments[0].samples[0].relativeNote = -12;
    XmSample high = flatSample(500, 2000);
    high.relativeNote = 40;
    song.instruments.push_back(instrumentWith(high));
    PlayerRun run(song);
    run.tick(24);
    EXPECT_EQ(run.channel().voice->sample, nullptr);
    run.tick();
    EXPECT_NE(run.channel().voice->sample, nullptr);
    EXPECT_EQ(run.channel().realNote, 48 + 40);
}

TEST(PlayerNotes, KeyOffWithoutEnvelopeSilencesAtOnce) {
    PlayerRun run(songFromText(1, {"C-4 01 .. ...\n=== .. .. ...\n"}));
    run.tick(6);
    EXPECT_EQ(run.channel().voice->volume, 127);
    run.tick();
    EXPECT_EQ(run.channel().keyOff, 1);
    EXPECT_EQ(run.channel().volumeEnvelopeOutput, 0);
    EXPECT_EQ(run.channel().voice->volume, 0);
}

TEST(PlayerNotes, KeyOffWithEnvelopeRunsPastSustainAndFades) {
    XmSong song = songFromText(1, {"C-4 01 .. ...\n... .. .. ...\n=== .. .. ...\n"});
    XmInstrument& ins = song.instruments[0];
    ins.volumeEnvelope = {{{0, 64}, {2, 48}, {10, 16}}, 1, 0, 0, true, true, false};
    ins.fadeout = 1000;
    PlayerRun run(song);
    run.tick(12);  // rows 0 and 1: the envelope holds at the sustain point
    EXPECT_EQ(run.channel().volumeEnvelopeOutput, 48);
    EXPECT_EQ(run.channel().volumeEnvelopePoint, 1);
    EXPECT_EQ(run.channel().fadeoutVolume, 65536);
    run.tick();  // key off
    EXPECT_EQ(run.channel().fadeoutVolume, 65536 - 2000);
    EXPECT_EQ(run.channel().volumeEnvelopeOutput, 48);
    EXPECT_EQ(run.channel().volumeEnvelopePoint, 2);
    run.tick();
    EXPECT_EQ(run.channel().fadeoutVolume, 65536 - 4000);
    EXPECT_EQ(run.channel().volumeEnvelopeOutput, 44);  // (48 - 32 / 8 per tick)
}

TEST(PlayerEnvelopes, LinearRampReachesItsLastPointAndStops) {
    XmSong song = songFromText(1, {"C-4 01 .. ...\n... .. .. ...\n"});
    song.instruments[0].volumeEnvelope = {{{0, 64}, {10, 0}}, 0, 0, 0, true, false, false};
    PlayerRun run(song);
    const std::int32_t delta = -64 * 65536 / 10;
    for (int t = 0; t <= 10; ++t) {
        run.tick();
        const std::int32_t expected = t == 10 ? 0 : (64 * 65536 + t * delta) >> 16;
        EXPECT_EQ(run.channel().volumeEnvelopeOutput, expected) << "tick " << t;
    }
    EXPECT_EQ(run.channel().volumeEnvelopeDone, 1);
    run.tick();
    EXPECT_EQ(run.channel().volumeEnvelopeOutput, 0);
    EXPECT_EQ(run.channel().voice->volume, 0);
}

TEST(PlayerEnvelopes, LoopReturnsToItsStartPoint) {
    XmSong song = songFromText(1, {patternText(1, 4, {{0, "C-4 01 .. ..."}})});
    song.instruments[0].panningEnvelope = {{{0, 32}, {2, 64}, {4, 0}}, 0, 1, 2, true, false, true};
    PlayerRun run(song);
    std::vector<int> out;
    for (int t = 0; t < 9; ++t) {
        run.tick();
        out.push_back(run.channel().panningEnvelopeOutput);
    }
    // 32, 48, 64, on toward 0, and at tick 4 the loop end sends it back to point 1 (64).
    EXPECT_EQ(out, (std::vector<int>{32, 48, 64, 32, 64, 32, 64, 32, 64}));
    // Panning 128 with envelope 64: 128 + (128 - 0) / 32 * 32.
    EXPECT_EQ(run.channel().voice->panning, 255);
}

TEST(PlayerEnvelopes, FadeoutCountsDownToSilenceAndNotBelow) {
    XmSong song = songFromText(1, {"C-4 01 .. ...\n=== .. .. ...\n"});
    song.instruments[0].volumeEnvelope = {{{0, 64}, {100, 64}}, 0, 0, 0, true, false, false};
    song.instruments[0].fadeout = 0x4000;  // stored doubled: 32768 per tick
    PlayerRun run(song);
    run.tick(7);
    EXPECT_EQ(run.channel().fadeoutVolume, 32768);
    run.tick();
    EXPECT_EQ(run.channel().fadeoutVolume, 0);
    run.tick();
    EXPECT_EQ(run.channel().fadeoutVolume, 0);
    EXPECT_EQ(run.channel().voice->volume, 0);
}

TEST(PlayerAutoVibrato, SquareWaveOfDepthEightGivesEightEveryTick) {
    XmSong song = songFromText(1, {"C-4 01 .. ...\n"});
    song.instruments[0].vibratoType = 1;
    song.instruments[0].vibratoDepth = 8;
    PlayerRun run(song);
    for (int t = 0; t < 6; ++t) {
        run.tick();
        EXPECT_EQ(run.channel().periodDelta, 8) << t;
    }
}

TEST(PlayerAutoVibrato, SweepRampsTheDepthAndSineMoves) {
    XmSong song = songFromText(1, {"C-4 01 .. ...\n"});
    XmInstrument& ins = song.instruments[0];
    ins.vibratoType = 1;
    ins.vibratoDepth = 8;
    ins.vibratoSweep = 4;
    PlayerRun run(song);
    std::vector<int> deltas;
    for (int t = 0; t < 6; ++t) {
        run.tick();
        deltas.push_back(run.channel().periodDelta);
    }
    EXPECT_EQ(deltas, (std::vector<int>{0, 2, 4, 6, 8, 8}));

    ins.vibratoType = 0;
    ins.vibratoSweep = 0;
    ins.vibratoRate = 64;  // a quarter turn per tick
    PlayerRun sine(song);
    deltas.clear();
    for (int t = 0; t < 4; ++t) {
        sine.tick();
        deltas.push_back(sine.channel().periodDelta);
    }
    EXPECT_EQ(deltas, (std::vector<int>{0, 8, 0, -8}));
}
