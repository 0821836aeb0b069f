// The writer's files read back through the loader field for field.
#include <gtest/gtest.h>

#include "support/xm_songs.h"

using namespace xmtest;

TEST(XmWriter, PatternTextParsesNotesInstrumentsVolumesAndEffects) {
    auto p = parseXmPattern("C-4 01 40 A0F | === .. .. ...\n"
                            "# comment\n"
                            "C#0 80 .. X12   B-7 .. FF F06\n",
                            2);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->rows, 2);
    ASSERT_EQ(p->cells.size(), 4u);
    EXPECT_EQ(p->cells[0].note, 49);
    EXPECT_EQ(p->cells[0].instrument, 1);
    EXPECT_EQ(p->cells[0].volume, 0x40);
    EXPECT_EQ(p->cells[0].effect, 10);
    EXPECT_EQ(p->cells[0].param, 0x0F);
    EXPECT_EQ(p->cells[1].note, 97);
    EXPECT_EQ(p->cells[2].note, 2);
    EXPECT_EQ(p->cells[2].instrument, 0x80);
    EXPECT_EQ(p->cells[2].effect, 33);
    EXPECT_EQ(p->cells[3].note, 96);
    EXPECT_EQ(p->cells[3].volume, 0xFF);
    EXPECT_EQ(p->cells[3].effect, 15);
    EXPECT_EQ(p->cells[3].param, 6);

    EXPECT_FALSE(parseXmPattern("C-4 01 40", 1));         // too few tokens
    EXPECT_FALSE(parseXmPattern("H-4 01 40 A0F", 1));     // no such note
    EXPECT_FALSE(parseXmPattern("C-4 0G 40 A0F", 1));     // not hex
    EXPECT_FALSE(parseXmPattern("C-4 01 40 #0F", 1));     // no such effect
    EXPECT_FALSE(parseXmPattern("", 1));
}

TEST(XmWriter, RoundTripThroughTheLoaderKeepsEveryField) {
    for (bool packed : {true, false}) {
        XmSong song = songFromText(3, {"C-4 01 50 A0F  --- .. .. 8..  === .. .. ...\n"
                                       "... .. .. ...  D-5 01 .. ...  ... .. .. 0..\n"});
        song.patterns[0].packed = packed;
        song.name = "round trip";
        song.speed = 5;
        song.bpm = 140;
        song.linearFrequencies = false;
        song.orders = {0, 1, 0};
        song.restartPosition = 1;
        XmPattern empty;
        empty.rows = 32;
        empty.emptyData = true;
        song.patterns.push_back(empty);

        XmInstrument& ins = song.instruments[0];
        ins.volumeEnvelope = {{{0, 64}, {10, 32}, {20, 0}}, 1, 0, 1, true, true, false};
        ins.panningEnvelope = {{{0, 0}, {5, 64}}, 0, 0, 1, true, false, true};
        ins.vibratoType = 2;
        ins.vibratoSweep = 3;
        ins.vibratoDepth = 4;
        ins.vibratoRate = 5;
        ins.fadeout = 300;
        ins.noteSample[10] = 1;
        XmSample eight = flatSample(0, 0, false);
        eight.data = {0, 10, -20, 127, -128, 5};
        eight.loop = XmLoop::PingPong;
        eight.loopStart = 1;
        eight.loopLength = 3;
        eight.volume = 40;
        eight.finetune = -16;
        eight.panning = 200;
        eight.relativeNote = -12;
        ins.samples.push_back(eight);

        auto m = load(song);
        ASSERT_TRUE(m) << "packed " << packed;
        EXPECT_EQ(m->songLength, 3);
        EXPECT_EQ(m->restartPosition, 1);
        EXPECT_EQ(m->channelCount, 3);
        EXPECT_EQ(m->patternCount, 2);
        EXPECT_EQ(m->patternSlots, 2);
        EXPECT_EQ(m->flags, 0);
        EXPECT_EQ(m->defaultSpeed, 5);
        EXPECT_EQ(m->defaultBpm, 140);
        EXPECT_EQ(m->defaultGlobalVolume, 64);
        EXPECT_EQ(m->orderTable[2], 0);
        EXPECT_EQ(m->orderTable[1], 1);
        ASSERT_EQ(m->patterns[0].rows, 2);
        const NoteCell& c0 = m->patterns[0].cells[0];
        EXPECT_EQ(c0.note, 49);
        EXPECT_EQ(c0.instrument, 1);
        EXPECT_EQ(c0.volume, 0x50);
        EXPECT_EQ(c0.effect, 10);
        EXPECT_EQ(c0.param, 15);
        EXPECT_EQ(m->patterns[0].cells[1].effect, 8);
        EXPECT_EQ(m->patterns[0].cells[2].note, 255);
        EXPECT_EQ(m->patterns[0].cells[4].note, 63);  // D-5
        EXPECT_EQ(m->patterns[1].rows, 32);
        EXPECT_EQ(m->patterns[1].cells.size(), 96u);

        ASSERT_EQ(m->instrumentCount, 1);
        const Instrument& i = m->instruments[0];
        EXPECT_EQ(i.sampleCount, 2);
        EXPECT_EQ(i.noteSample[10], 1);
        EXPECT_EQ(i.volumePointCount, 3);
        EXPECT_EQ(i.volumeEnvelope[1].x, 10);
        EXPECT_EQ(i.volumeEnvelope[1].y, 32);
        EXPECT_EQ(i.volumeSustain, 1);
        EXPECT_EQ(i.volumeType, 3);
        EXPECT_EQ(i.panningType, 5);
        EXPECT_EQ(i.panningLoopEnd, 1);
        EXPECT_EQ(i.vibratoType, 2);
        EXPECT_EQ(i.vibratoSweep, 3);
        EXPECT_EQ(i.vibratoDepth, 4);
        EXPECT_EQ(i.vibratoRate, 5);
        EXPECT_EQ(i.fadeout, 600);
        EXPECT_EQ(i.samples[2], &emptySample());

        const Sample& flat = *i.samples[0];
        EXPECT_EQ(flat.length, 1000u);
        EXPECT_EQ(flat.loopMode, 2);
        EXPECT_EQ(flat.data[999], 1000);
        EXPECT_EQ(flat.data[1000], 1000);  // forward-loop guard = first loop sample

        const Sample& s = *i.samples[1];
        EXPECT_EQ(s.length, 6u);
        EXPECT_EQ(s.bits, 16);
        EXPECT_EQ(s.loopMode, 4);
        EXPECT_EQ(s.loopStart, 1u);
        EXPECT_EQ(s.loopLength, 3u);
        EXPECT_EQ(s.volume, 40);
        EXPECT_EQ(s.finetune, -16);
        EXPECT_EQ(s.panning, 200);
        EXPECT_EQ(s.relativeNote, -12);
        const std::vector<std::int16_t> widened = {0, 10 * 256, -20 * 256, 127 * 256, -128 * 256, 5 * 256};
        for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(s.data[k], widened[k]) << k;
        EXPECT_EQ(s.data[5], widened[5]);
        // Index 4 (= loop end) holds the guard, not the stored value.
        EXPECT_EQ(s.data[4], s.data[3]);  // ping-pong guard = last loop sample
    }
}

TEST(XmWriter, SixteenBitSamplesKeepFullRangeThroughDeltaEncoding) {
    XmSong song = songFromText(1, {"C-4 01 .. ..."});
    XmSample s;
    s.sixteenBit = true;
    s.data = {32767, -32768, 0, -1, 12345};
    song.instruments[0] = instrumentWith(s);
    auto m = load(song);
    ASSERT_TRUE(m);
    const Sample& loaded = *m->instruments[0].samples[0];
    ASSERT_EQ(loaded.length, 5u);
    for (std::size_t k = 0; k < 5; ++k) EXPECT_EQ(loaded.data[k], s.data[k]);
    EXPECT_EQ(loaded.data[5], 0);  // no loop: the guard stays 0
}
