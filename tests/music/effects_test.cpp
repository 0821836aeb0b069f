// Effect and volume-column commands on small songs, checked tick by tick.
#include <gtest/gtest.h>

#include "music/mixer.h"
#include "music/player.h"
#include "support/xm_songs.h"

using namespace xmtest;

namespace {

// Runs `ticks` ticks and records one channel value after each.
template <typename Get>
std::vector<int> trace(PlayerRun& run, int ticks, Get get) {
    std::vector<int> out;
    for (int t = 0; t < ticks; ++t) {
        run.tick();
        out.push_back(get(run));
    }
    return out;
}

std::vector<int> volumes(const std::string& text, int ticks, int channels = 1) {
    PlayerRun run(songFromText(channels, {text}));
    return trace(run, ticks, [](PlayerRun& r) { return r.channel().volume; });
}

// Which rows start, in order, over `ticks` ticks.
std::vector<std::pair<int, int>> rowsPlayed(XmSong song, int ticks) {
    PlayerRun run(song);
    std::vector<std::pair<int, int>> out;
    for (int t = 0; t < ticks; ++t) {
        const bool rowTick = run.module->tick == 0;
        run.tick();
        if (rowTick) out.emplace_back(run.module->order, run.module->row);
    }
    return out;
}

}  // namespace

TEST(EffectsVolume, SlideActsOnLaterTicksAndColumnSlideOnEveryTick) {
    EXPECT_EQ(volumes("C-4 01 20 A20", 6), (std::vector<int>{16, 18, 20, 22, 24, 26}));
    EXPECT_EQ(volumes("C-4 01 20 ...\n... .. 72 ...", 12),
              (std::vector<int>{16, 16, 16, 16, 16, 16, 18, 20, 22, 24, 26, 28}));
    // Down-slides stop at 0, up-slides at 64; A with 0 repeats the memory.
    EXPECT_EQ(volumes("C-4 01 12 A03\n... .. .. A00", 12),
              (std::vector<int>{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(volumes("C-4 01 4E AF0", 3), (std::vector<int>{62, 64, 64}));
    // The fine forms of the column act once, on the first tick only.
    EXPECT_EQ(volumes("C-4 01 20 ...\n... .. 83 ...\n... .. 95 ...", 13),
              (std::vector<int>{16, 16, 16, 16, 16, 16, 13, 13, 13, 13, 13, 13, 18}));
    // Fine volume slides EA/EB share one memory.
    EXPECT_EQ(volumes("C-4 01 20 EA4\n... .. .. EB0\n... .. .. EA0", 13),
              (std::vector<int>{20, 20, 20, 20, 20, 20, 16, 16, 16, 16, 16, 16, 20}));
    // Set volume is limited to 64, like the sample volume: C7F is as loud as C40.
    EXPECT_EQ(volumes("C-4 01 .. C7F", 1), (std::vector<int>{64}));
}

TEST(EffectsVolume, TremoloTremorAndNoteCut) {
    PlayerRun tremoloRun(songFromText(1, {"C-4 01 20 744\n... .. .. ..."}));
    auto delta = trace(tremoloRun, 7, [](PlayerRun& r) { return r.channel().volumeDelta; });
    // Position 0 gives 0; then 4: 256 |sin(8 pi / 64)| = 97, 4 * 97 / 64 = 6; then 8: 181 -> 11 ...
    EXPECT_EQ(delta[0], 0);
    EXPECT_EQ(delta[1], 0);
    EXPECT_EQ(delta[2], 6);
    EXPECT_EQ(delta[3], 11);
    // The next row without tremolo keeps the last offset in the volume.
    EXPECT_EQ(tremoloRun.channel().volume, 16 + delta[5]);

    PlayerRun tremorRun(songFromText(1, {"C-4 01 20 T12"}));
    auto tremor = trace(tremorRun, 6, [](PlayerRun& r) { return r.channel().volumeDelta; });
    EXPECT_EQ(tremor, (std::vector<int>{0, 0, -16, -16, -16, 0}));

    EXPECT_EQ(volumes("C-4 01 20 EC3", 6), (std::vector<int>{16, 16, 16, 0, 0, 0}));
    EXPECT_EQ(volumes("C-4 01 20 EC0", 6), (std::vector<int>{0, 0, 0, 0, 0, 0}));  // cut on tick 0
}

TEST(EffectsVolume, GlobalVolumeSetAndSlide) {
    PlayerRun run(songFromText(2, {"C-4 01 .. G20 C-4 01 .. ...\n... .. .. H02 ... .. .. ...\n... .. .. H10 ... .. .. ..."}));
    run.tick();
    EXPECT_EQ(run.module->globalVolume, 32);
    EXPECT_EQ(run.channel(0).voice->volume, 63);   // 127 at half global volume, truncated
    EXPECT_EQ(run.channel(1).voice->volume, 63);   // recomputed on every row tick
    run.tick(5);
    EXPECT_EQ(run.module->globalVolume, 32);
    run.tick(6);
    EXPECT_EQ(run.module->globalVolume, 32 - 10);
    run.tick(6);
    EXPECT_EQ(run.module->globalVolume, 27);
    PlayerRun capped(songFromText(1, {"C-4 01 .. G7F"}));
    capped.tick();
    EXPECT_EQ(capped.module->globalVolume, 64);
}

TEST(EffectsVolume, RetrigVolumeOperations) {
    const std::vector<std::pair<int, int>> ops = {{1, 31}, {2, 30}, {3, 28}, {4, 24}, {5, 16}, {6, 21}, {7, 16},
                                                  {8, 32}, {9, 33}, {10, 34}, {11, 36}, {12, 40}, {13, 48},
                                                  {14, 48}, {15, 64}, {0, 32}};
    for (const auto& [op, expected] : ops) {
        char text[32];
        std::snprintf(text, sizeof text, "C-4 01 30 R%X1", op);
        PlayerRun run(songFromText(1, {text}));
        run.tick(2);
        EXPECT_EQ(run.channel().volume, expected) << "op " << op;
    }
}

TEST(EffectsPitch, PortamentoUpDownAndTheirFloors) {
    PlayerRun up(songFromText(1, {"C-4 01 .. 110\n... .. .. 100"}));
    auto periods = trace(up, 8, [](PlayerRun& r) { return r.channel().period; });
    EXPECT_EQ(periods, (std::vector<int>{4608, 4544, 4480, 4416, 4352, 4288, 4288, 4224}));
    PlayerRun floor(songFromText(1, {"C-0 01 .. ...\n... .. .. 1FF"}));
    floor.tick(6);
    floor.channel().period = 100;
    floor.tick(3);
    EXPECT_EQ(floor.channel().period, 56);
    PlayerRun down(songFromText(1, {"C-4 01 .. 202"}));
    EXPECT_EQ(trace(down, 3, [](PlayerRun& r) { return r.channel().period; }), (std::vector<int>{4608, 4616, 4624}));
    // Fine and extra-fine slides act once, on the first tick.
    PlayerRun fine(songFromText(1, {"C-4 01 .. E13\n... .. .. E22\n... .. .. X13\n... .. .. X22\n... .. .. X10"}));
    auto fp = trace(fine, 25, [](PlayerRun& r) { return r.channel().period; });
    EXPECT_EQ(fp[0], 4608 - 12);
    EXPECT_EQ(fp[5], 4608 - 12);
    EXPECT_EQ(fp[6], 4608 - 4);
    EXPECT_EQ(fp[12], 4608 - 7);
    EXPECT_EQ(fp[18], 4608 - 5);
    EXPECT_EQ(fp[24], 4608 - 8);  // X10 repeats the up memory
}

TEST(EffectsPitch, TonePortamentoStopsAtTheTargetAndColumnFormSuppressesTheRestart) {
    PlayerRun run(songFromText(1, {"C-4 01 .. ...\nC#4 01 .. 3FF\n... .. .. 300"}));
    run.tick(7);
    EXPECT_EQ(run.channel().portaTarget, 4608 - 64);
    run.tick();
    EXPECT_EQ(run.channel().period, 4608 - 64);  // speed 255 * 4 overshoots: clamped to the target
    PlayerRun column(songFromText(1, {"C-4 01 .. ...\nD-4 01 F2 ..."}));
    column.tick(6);
    Voice* voice = column.channel().voice;
    column.tick();
    EXPECT_EQ(column.channel().voice, voice) << "column porta must not restart the sample";
    EXPECT_EQ(column.channel().portaSpeed, 32);
    EXPECT_EQ(column.channel().period, 4608 - 128);  // the column form takes the note over at once
    PlayerRun slide(songFromText(1, {"C-4 01 .. ...\nD-4 .. 20 502"}));
    slide.tick(6);
    slide.channel().portaSpeed = 4;
    auto values = trace(slide, 3, [](PlayerRun& r) { return r.channel().period * 100 + r.channel().volume; });
    EXPECT_EQ(values, (std::vector<int>{4608 * 100 + 16, 4592 * 100 + 14, 4576 * 100 + 12}));
}

TEST(EffectsPitch, VibratoWaveformsAndMemory) {
    PlayerRun run(songFromText(1, {"C-4 01 .. 484\n... .. .. 400"}));
    auto deltas = trace(run, 8, [](PlayerRun& r) { return r.channel().periodDelta; });
    // Positions 0, 0, 8, 16 (-> -48 after wrapping at 32), ...: sine 0, 0, 181, 0.
    EXPECT_EQ(deltas[0], 0);
    EXPECT_EQ(deltas[1], 0);
    EXPECT_EQ(deltas[2], -20);  // (4 * 181) >> 5 = 22, low bits cleared, negative for p >= 0
    EXPECT_EQ(run.channel().vibratoSpeed, 8);
    EXPECT_EQ(run.channel().vibratoDepth, 4);  // 400 keeps speed and depth

    PlayerRun square(songFromText(1, {"C-4 01 .. E42\n... .. .. 418"}));
    auto sq = trace(square, 9, [](PlayerRun& r) { return r.channel().periodDelta; });
    EXPECT_EQ(sq[6], -(((8 * 255) >> 5) & ~3));
    PlayerRun ramp(songFromText(1, {"C-4 01 .. E41\n... .. .. 4F8"}));
    auto rp = trace(ramp, 9, [](PlayerRun& r) { return r.channel().periodDelta; });
    EXPECT_EQ(rp[6], 0);                       // position 0
    EXPECT_EQ(rp[7], 0);
    EXPECT_EQ(rp[8], -(((8 * 120) >> 5) & ~3));  // position 15: 15 * 8 = 120
    // A volume-column vibrato: speed from Ax, depth and motion from Bx.
    PlayerRun column(songFromText(1, {"C-4 01 A8 ...\n... .. B4 ..."}));
    auto cv = trace(column, 9, [](PlayerRun& r) { return r.channel().periodDelta; });
    EXPECT_EQ(cv[6], 0);
    EXPECT_EQ(cv[7], 0);
    EXPECT_EQ(cv[8], -20);
}

TEST(EffectsPitch, ArpeggioOnBothFrequencyTables) {
    PlayerRun linear(songFromText(1, {"C-4 01 .. 047"}));
    EXPECT_EQ(trace(linear, 6, [](PlayerRun& r) { return r.channel().periodDelta; }),
              (std::vector<int>{0, 256, 448, 0, 256, 448}));
    XmSong amigaSong = songFromText(1, {"C-4 01 .. 047"});
    amigaSong.linearFrequencies = false;
    PlayerRun amiga(amigaSong);
    const int up4 = amigaPeriod(52, 0) - amigaPeriod(48, 0);
    const int up7 = amigaPeriod(55, 0) - amigaPeriod(48, 0);
    EXPECT_LT(up4, 0);
    EXPECT_EQ(trace(amiga, 6, [](PlayerRun& r) { return r.channel().periodDelta; }),
              (std::vector<int>{0, up4, up7, 0, up4, up7}));
}

TEST(EffectsPanning, SetSlideColumnAndEnvelope) {
    PlayerRun run(songFromText(1, {"C-4 01 .. 840\n... .. .. P20\n... .. .. P03\n... .. .. E8F\n... .. C4 ...\n... .. D5 ...\n... .. E3 ..."}));
    auto pans = trace(run, 42, [](PlayerRun& r) { return r.channel().panning; });
    EXPECT_EQ(pans[0], 0x40);
    EXPECT_EQ(pans[11], 0x40 + 10);
    EXPECT_EQ(pans[17], 0x40 + 10 - 15);
    EXPECT_EQ(pans[18], 0xF0);
    EXPECT_EQ(pans[24], 0x40);
    EXPECT_EQ(pans[35], 0x40 - 30);  // column D5: 5 on every tick, no limit
    EXPECT_EQ(pans[41], 0x40 - 30 + 18);
    EXPECT_EQ(run.channel().voice->panning, 0x40 - 30 + 18);
}

TEST(EffectsFlow, PatternBreakAndPositionJump) {
    std::vector<std::string> patterns(6, patternText(2, 64, {}));
    patterns[0] = patternText(2, 64, {{0, "... .. .. D64 ... .. .. ..."}});
    XmSong song = songFromText(2, patterns);
    EXPECT_EQ(rowsPlayed(song, 7)[1], std::make_pair(1, 0));
    song.patterns[0] = *parseXmPattern(patternText(2, 64, {{0, "... .. .. D32 ... .. .. ..."}}), 2);
    EXPECT_EQ(rowsPlayed(song, 7)[1], std::make_pair(1, 32));
    song.patterns[0] = *parseXmPattern(patternText(2, 64, {{0, "... .. .. B05 ... .. .. D10"}}), 2);
    EXPECT_EQ(rowsPlayed(song, 7)[1], std::make_pair(5, 10));
    song.patterns[0] = *parseXmPattern(patternText(2, 64, {{0, "... .. .. D10 ... .. .. B05"}}), 2);
    EXPECT_EQ(rowsPlayed(song, 7)[1], std::make_pair(5, 0));
    // A jump past the song length goes to order 0; a break on the last order as well.
    song.patterns[0] = *parseXmPattern(patternText(2, 64, {{0, "... .. .. B09 ... .. .. ..."}}), 2);
    EXPECT_EQ(rowsPlayed(song, 7)[1], std::make_pair(0, 0));
}

TEST(EffectsFlow, BreakToARowPastTheNextPatternsEndStartsItFromItsTop) {
    XmSong song = songFromText(1, {patternText(1, 4, {{0, "... .. .. D40"}}), patternText(1, 8, {})});
    EXPECT_EQ(rowsPlayed(song, 7)[1], std::make_pair(1, 0));
    song.patterns[0] = *parseXmPattern(patternText(1, 4, {{1, "... .. .. D07"}}), 1);
    EXPECT_EQ(rowsPlayed(song, 13)[2], std::make_pair(1, 7));
}

TEST(EffectsFlow, PatternLoopPlaysItsRowsThreeTimes) {
    XmSong song = songFromText(1, {patternText(1, 20, {{8, "... .. .. E60"}, {15, "... .. .. E62"}})});
    song.speed = 1;
    std::vector<int> rows;
    for (const auto& [order, row] : rowsPlayed(song, 8 + 8 * 3 + 2)) rows.push_back(row);
    std::vector<int> expected;
    for (int r = 0; r < 8; ++r) expected.push_back(r);
    for (int pass = 0; pass < 3; ++pass)
        for (int r = 8; r <= 15; ++r) expected.push_back(r);
    expected.push_back(16);
    expected.push_back(17);
    EXPECT_EQ(rows, expected);
}

TEST(EffectsFlow, PatternLoopToARowPastTheCurrentPatternIsContained) {
    // Loop start set on row 10 of a long pattern, loop end in a 4-row pattern.
    XmSong song = songFromText(1, {patternText(1, 12, {{10, "... .. .. E60"}}), patternText(1, 4, {{2, "... .. .. E61"}})});
    song.speed = 1;
    auto rows = rowsPlayed(song, 20);
    for (const auto& [order, row] : rows) EXPECT_LT(row, order == 0 ? 12 : 4);
}

TEST(EffectsFlow, SpeedTempoAndPatternDelay) {
    XmSong song = songFromText(1, {"... .. .. F00\n... .. .. ...\n... .. .. F03\n... .. .. F7D"});
    PlayerRun run(song);
    run.tick();
    EXPECT_EQ(run.module->speed, 0);
    run.tick();
    EXPECT_EQ(run.module->row, 1);  // every tick is a row
    run.tick();
    EXPECT_EQ(run.module->speed, 3);
    run.tick(3);
    EXPECT_EQ(run.module->bpm, 125);
    EXPECT_EQ(run.module->row, 3);
    EXPECT_EQ(run.module->samplesPerTick, 882);
    PlayerRun tempo(songFromText(1, {"... .. .. F20"}));
    tempo.tick();
    EXPECT_EQ(tempo.module->bpm, 32);
    EXPECT_EQ(tempo.module->samplesPerTick, 110250 / 32);
    // Pattern delay EE2 at speed 6 holds the row for 18 ticks.
    XmSong delay = songFromText(1, {"... .. .. EE2\n... .. .. ..."});
    auto rows = rowsPlayed(delay, 19);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].second, 1);
}

TEST(EffectsNotes, NoteDelayKeepsThePreviousNoteUntilItsTick) {
    PlayerRun run(songFromText(1, {"C-4 01 .. ...\nD-4 01 .. ED3"}));
    run.tick(6);
    Voice* first = run.channel().voice;
    const std::uint32_t firstStep = first->stepFraction;
    for (int t = 0; t < 3; ++t) {
        run.tick();
        EXPECT_EQ(run.channel().voice, first) << t;
        EXPECT_EQ(first->stepFraction, firstStep) << t;
    }
    run.tick();  // tick 3
    EXPECT_NE(run.channel().voice, first);
    EXPECT_EQ(run.channel().period, 4608 - 128);
    EXPECT_NE(run.channel().voice->stepFraction, firstStep);

    // A delay of 0 plays the note on the row's first tick, as if there were none.
    PlayerRun none(songFromText(1, {"C-4 01 .. ...\nD-4 01 .. ED0"}));
    none.tick(6);
    first = none.channel().voice;
    none.tick();
    EXPECT_NE(none.channel().voice, first);
    EXPECT_EQ(none.channel().period, 4608 - 128);
    EXPECT_EQ(none.channel().voice->volume, 127);
}

TEST(EffectsNotes, MultiRetrigAndRetrigWithPatternDelay) {
    auto triggers = [](const std::string& text, int ticks) {
        PlayerRun run(songFromText(2, {text}));
        run.tick();
        std::vector<int> at;
        for (int t = 1; t < ticks; ++t) {
            Voice* before = run.channel().voice;
            run.tick();
            if (run.channel().voice != before) at.push_back(t);
        }
        return at;
    };
    EXPECT_EQ(triggers("C-4 01 .. R83 ... .. .. ...", 6), (std::vector<int>{3}));
    EXPECT_EQ(triggers("C-4 01 .. R83 ... .. .. EE1", 12), (std::vector<int>{3, 6, 9}));
    EXPECT_EQ(triggers("C-4 01 .. E92 ... .. .. ...", 6), (std::vector<int>{2, 4}));
}

TEST(EffectsNotes, SampleOffsetStartsInsideOrRewinds) {
    XmSong song = songFromText(1, {"C-4 01 .. 904"});
    song.instruments[0] = instrumentWith(flatSample(2048, 100));
    PlayerRun run(song);
    run.tick();
    EXPECT_EQ(run.channel().voice->position, 1024u);

    song.patterns[0] = *parseXmPattern("C-4 01 .. ...\n... .. .. 904\nC-4 01 .. ...", 1);  // no note, no offset
    PlayerRun later(song);
    later.tick(13);
    EXPECT_EQ(later.channel().voice->position, 0u);
    song.patterns[0] = *parseXmPattern("C-4 01 .. ...\nC-4 01 .. 910", 1);
    PlayerRun past(song);
    past.tick(6);
    std::vector<float> buffer(2 * 2000);
    mixVoices(buffer.data(), 2000);
    Voice* voice = past.channel().voice;
    ASSERT_GT(voice->position, 200u);
    past.tick();
    EXPECT_EQ(past.channel().voice, voice) << "not restarted";
    EXPECT_EQ(voice->position, 0u);
    EXPECT_EQ(past.channel().sampleOffsetMemory, 0x10);
}

TEST(EffectsNotes, KeyOffEffectFinetuneAndEnvelopePosition) {
    XmSong song = songFromText(1, {"C-4 01 .. ...\n... .. .. K00"});
    PlayerRun keyOff(song);
    keyOff.tick(7);
    EXPECT_EQ(keyOff.channel().keyOff, 1);
    EXPECT_EQ(keyOff.channel().voice->volume, 0);
    // With a tick, the note sounds until that tick of its row.
    PlayerRun late(songFromText(1, {"C-4 01 .. K03"}));
    EXPECT_EQ(trace(late, 6, [](PlayerRun& r) { return r.channel().voice->volume; }),
              (std::vector<int>{127, 127, 127, 0, 0, 0}));

    XmSong tune = songFromText(1, {"C-4 01 .. E58\nC-4 01 .. ..."});
    PlayerRun finetune(tune);
    finetune.tick(7);
    EXPECT_EQ(finetune.module->instruments[0].samples[0]->finetune, 8);
    EXPECT_EQ(finetune.channel().notePeriod, 4608 - 4);
    // On a missing sample nothing is written into the shared empty record.
    PlayerRun missing(songFromText(1, {"C-4 05 .. E5F"}));
    missing.tick();
    EXPECT_EQ(emptySample().finetune, 0);

    XmSong env = songFromText(1, {"C-4 01 .. L05\n... .. .. L30"});
    env.instruments[0].volumeEnvelope = {{{0, 64}, {10, 0}}, 0, 0, 0, true, false, false};
    PlayerRun position(env);
    position.tick();
    // Set to tick 5 (output 32), then the envelope step of the same tick is already done.
    EXPECT_EQ(position.channel().volumeEnvelopeTick, 5);
    EXPECT_EQ(position.channel().volumeEnvelopeOutput, (64 * 65536 + 5 * (-64 * 65536 / 10)) >> 16);
    position.tick(6);
    EXPECT_EQ(position.channel().volumeEnvelopeDone, 1);
    EXPECT_EQ(position.channel().volumeEnvelopeOutput, 0);
    // A position before the first point (after tick 0 only in a hand-made record) holds there.
    PlayerRun before(songFromText(1, {"C-4 01 .. L00"}));
    Instrument& ins = before.module->instruments[0];
    ins.volumeType = 1, ins.volumePointCount = 2, ins.volumeEnvelope[0] = {600, 64}, ins.volumeEnvelope[1] = {601, 0};
    before.tick();
    EXPECT_EQ(before.channel().voice->volume, 127);
}

TEST(EffectsPitch, WaveformControlKeepsOrResetsThePositionOnANewInstrument) {
    auto positionAfterRetrigger = [](const std::string& control) {
        PlayerRun run(songFromText(1, {"C-4 01 .. " + control + "\n... .. .. 484\n... .. .. 484\nC-4 01 .. 400"}));
        run.tick(18);
        const int before = run.channel().vibratoPosition;
        run.tick();
        return std::make_pair(before, static_cast<int>(run.channel().vibratoPosition));
    };
    const auto reset = positionAfterRetrigger("E40");
    EXPECT_NE(reset.first, 0);
    EXPECT_EQ(reset.second, 0);
    const auto kept = positionAfterRetrigger("E44");
    EXPECT_EQ(kept.second, kept.first);
    // Tremolo waveform 2 (square) gives the full depth at once.
    PlayerRun square(songFromText(1, {"C-4 01 20 E72\n... .. .. 744"}));
    square.tick(8);
    EXPECT_EQ(square.channel().volumeDelta, (4 * 255) >> 6);
}
