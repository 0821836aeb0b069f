// The demo's song as the demo's own music code sees it: loads, has the structure the scene
// cues rely on, uses its instruments and effects as composed, and plays at a healthy level
// without clipping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>

#include "content_files.h"
#include "music/audio_output.h"
#include "music/loader.h"
#include "music/module.h"
#include "support/test_paths.h"

using namespace contenttest;

namespace {

std::string songPath() { return std::string(testpaths::demoDir) + "/sound/velastr.xm"; }

struct LoadedSong {
    std::vector<std::uint8_t> bytes = readFile(songPath());
    Module* module = loadModuleFromMemory(bytes.data(), bytes.size());
    ~LoadedSong() { freeModule(module); }
    const NoteCell& cell(int order, int row, int channel) const {
        const Pattern& p = module->patterns[module->orderTable[static_cast<std::size_t>(order)]];
        return p.cells[static_cast<std::size_t>(row * module->channelCount + channel)];
    }
    // Whether some channel starts instrument `ins` on this row.
    bool strikes(int order, int row, int ins) const {
        for (int ch = 0; ch < module->channelCount; ++ch) {
            const NoteCell& c = cell(order, row, ch);
            if (c.instrument == ins && c.note >= 1 && c.note <= 96) return true;
        }
        return false;
    }
    // Number of channels sounding a note on this row.
    int notesOn(int order, int row) const {
        int n = 0;
        for (int ch = 0; ch < module->channelCount; ++ch) {
            const NoteCell& c = cell(order, row, ch);
            n += c.note >= 1 && c.note <= 96;
        }
        return n;
    }
};

// Instrument numbers as the composer assigns them.
constexpr int kKick = 1, kCrash = 5, kStab = 13;

}  // namespace

TEST(Song, LoadsWithTheShapeTheScenesCueOn) {
    LoadedSong song;
    ASSERT_NE(song.module, nullptr);
    const Module& m = *song.module;
    EXPECT_GE(m.songLength, 29);
    EXPECT_EQ(m.defaultSpeed, 6);
    EXPECT_EQ(m.defaultBpm, 125);
    EXPECT_GE(m.channelCount, 8);
    EXPECT_LE(m.channelCount, 16);
    EXPECT_EQ(m.flags & linearFrequencyFlag, linearFrequencyFlag);
    for (int o = 0; o < m.songLength; ++o) {
        SCOPED_TRACE("order " + std::to_string(o));
        const Pattern& p = m.patterns[m.orderTable[static_cast<std::size_t>(o)]];
        ASSERT_EQ(p.rows, 64);
        // Nothing may cut a pattern short or hold it up: the scenes wait for rows up to 63.
        for (const NoteCell& c : p.cells) {
            EXPECT_NE(c.effect, 0xB) << "position jump";
            EXPECT_NE(c.effect, 0xD) << "pattern break";
            EXPECT_FALSE(c.effect == 0xF && c.param != 6 && c.param < 32) << "speed change";
            EXPECT_FALSE(c.effect == 0xF && c.param >= 32 && c.param != 125) << "tempo change";
            EXPECT_FALSE(c.effect == 0xE && (c.param >> 4) == 0xE) << "pattern delay";
            EXPECT_FALSE(c.effect == 0xE && (c.param >> 4) == 0x6) << "pattern loop";
        }
    }
}

TEST(Song, InstrumentsAreSixteenBitWithLoopsEnvelopesAndVibrato) {
    LoadedSong song;
    ASSERT_NE(song.module, nullptr);
    bool forward = false, pingPong = false, volumeSustain = false, panningSustain = false, fadeout = false,
         vibrato = false;
    for (const Instrument& ins : song.module->instruments) {
        ASSERT_GE(ins.sampleCount, 1);
        const Sample& s = *ins.samples[0];
        EXPECT_GT(s.length, 0u);
        forward |= s.loopMode == 2;
        pingPong |= s.loopMode == 4;
        volumeSustain |= (ins.volumeType & 3) == 3;
        panningSustain |= (ins.panningType & 3) == 3;
        fadeout |= ins.fadeout > 0;
        vibrato |= ins.vibratoDepth > 0 && ins.vibratoRate > 0;
    }
    EXPECT_TRUE(forward && pingPong && volumeSustain && panningSustain && fadeout && vibrato);

    // The loader widens everything to 16 bits, so look at the file itself: walk past the
    // patterns to every sample header and check its type byte says 16-bit data.
    const std::vector<std::uint8_t>& b = song.bytes;
    auto u16 = [&](std::size_t o) { return static_cast<std::size_t>(b.at(o) | b.at(o + 1) << 8); };
    auto u32 = [&](std::size_t o) { return u16(o) | u16(o + 2) << 16; };
    std::size_t pos = 60 + u32(60);
    for (std::size_t p = 0; p < u16(70); ++p) pos += u32(pos) + u16(pos + 7);
    for (std::size_t i = 0; i < u16(72); ++i) {
        const std::size_t samples = u16(pos + 27);
        ASSERT_EQ(samples, 1u);
        const std::size_t header = pos + u32(pos);
        EXPECT_EQ(b.at(header + 14) & 0x10, 0x10) << "instrument " << i + 1;
        pos = header + 40 + u32(header);
    }
    EXPECT_EQ(pos, b.size());
}

TEST(Song, UsesTheEffectsMusically) {
    LoadedSong song;
    ASSERT_NE(song.module, nullptr);
    std::set<int> effects, extended;
    bool volumeColumnSlide = false, volumeColumnPanOrPorta = false;
    for (const Pattern& p : song.module->patterns)
        for (const NoteCell& c : p.cells) {
            if (c.effect == 0 && c.param != 0) effects.insert(0);
            if (c.effect != 0) effects.insert(c.effect);
            if (c.effect == 0xE) extended.insert(c.param >> 4);
            volumeColumnSlide |= c.volume >= 0x60 && c.volume <= 0x7F;
            volumeColumnPanOrPorta |= c.volume >= 0xC0;
        }
    for (int e : {0x0, 0x1, 0x2, 0x3, 0x4, 0x8, 0xA, 0xE}) EXPECT_TRUE(effects.count(e)) << "effect " << e;
    for (int x : {0x9, 0xA, 0xB, 0xD}) EXPECT_TRUE(extended.count(x)) << "extended effect " << x;
    EXPECT_TRUE(volumeColumnSlide);
}

// The music marks what the scenes do at their cues.
TEST(Song, MarksTheSceneCues) {
    LoadedSong song;
    ASSERT_NE(song.module, nullptr);
    // Intro: quiet at the pattern edges where the picture fades; notes start after row 0..3
    // only as swells, and nothing new starts in rows 56..63.
    for (int o : {0, 1})
        for (int r = 56; r < 64; ++r) EXPECT_EQ(song.notesOn(o, r), 0) << o << ":" << r;
    // Landscape, orders 5 and 6: accents on rows 0, 16, 32 and 48.
    for (int o : {5, 6})
        for (int r : {0, 16, 32, 48}) {
            EXPECT_TRUE(song.strikes(o, r, kStab)) << o << ":" << r;
            EXPECT_TRUE(song.strikes(o, r, kCrash)) << o << ":" << r;
        }
    // Star field opening: no kick before row 32 of order 7, kick and crash at row 32.
    for (int r = 0; r < 32; ++r) EXPECT_FALSE(song.strikes(7, r, kKick)) << r;
    EXPECT_TRUE(song.strikes(7, 32, kKick));
    EXPECT_TRUE(song.strikes(7, 32, kCrash));
    // Order 10 fades from row 33: nothing new starts there but ever softer hats.
    for (int r = 34; r < 64; ++r) EXPECT_EQ(song.notesOn(10, r), song.strikes(10, r, 3) ? 1 : 0) << r;
    // Glass cube: a crash on row 0 of orders 12, 13 and 14 (the spin reversals), none on 11.
    EXPECT_FALSE(song.strikes(11, 0, kCrash));
    for (int o : {12, 13, 14}) EXPECT_TRUE(song.strikes(o, 0, kCrash)) << o;
    // Spirograph: stab and crash on row 0 (new curve) and row 32 (colour change).
    for (int o = 15; o <= 18; ++o)
        for (int r : {0, 32}) {
            EXPECT_TRUE(song.strikes(o, r, kStab)) << o << ":" << r;
            EXPECT_TRUE(song.strikes(o, r, kCrash)) << o << ":" << r;
        }
    // The final chord is struck at row 16 of order 27, the last order the show plays.
    EXPECT_GE(song.notesOn(27, 16), 5);
}

// Played through the demo's own player and mixer: every order is heard in sequence down to
// row 60 and beyond (the fades test rows 60..63), and the level is healthy without clipping.
TEST(Song, PlaysEveryOrderToItsEndAtAHealthyLevel) {
    LoadedSong song;
    ASSERT_NE(song.module, nullptr);
    ASSERT_TRUE(startPlaybackOffline(song.module));
    std::vector<int> lastRowOfOrder(29, -1);
    int previousOrder = 0;
    bool inSequence = true;
    double sumSquares = 0;
    long long frames = 0;
    int peak = 0;
    std::vector<double> squares[2];  // per block of orders 27 and 28
    const long long blocks = (29LL * 7680 + 500) * mixRate / 1000 / blockFrames;
    for (long long b = 0; b < blocks; ++b) {
        const std::int32_t w = writeBlockIndex();
        mixBlock();
        if (song.module->songLooped) break;  // this block already plays the song again
        const PositionEntry e = positionEntry(w);
        if (e.order < previousOrder || e.order > previousOrder + 1) inSequence = false;
        previousOrder = e.order;
        if (e.order < 29) lastRowOfOrder[e.order] = std::max(lastRowOfOrder[e.order], static_cast<int>(e.row));
        const std::int16_t* pcm = ringBlock(w);
        ASSERT_NE(pcm, nullptr);
        double block = 0;
        for (int i = 0; i < blockFrames * 2; ++i) {
            peak = std::max(peak, std::abs(static_cast<int>(pcm[i])));
            block += static_cast<double>(pcm[i]) * pcm[i];
        }
        sumSquares += block;
        if (e.order == 27 || e.order == 28) squares[e.order - 27].push_back(block);
        frames += blockFrames;
    }
    stopPlayback(song.module);
    EXPECT_TRUE(inSequence);
    for (int o = 0; o < 29; ++o) EXPECT_GE(lastRowOfOrder[static_cast<std::size_t>(o)], 60) << "order " << o;
    const double rmsDb = 20 * std::log10(std::sqrt(sumSquares / (frames * 2.0)) / 32768.0);
    EXPECT_LT(peak, 32767);   // never hits full scale
    EXPECT_GT(rmsDb, -22.0);  // and is not timid
    EXPECT_LT(rmsDb, -12.0);
    // The show ends as order 28 starts: order 27's last second fades out, 28 is next to silent.
    auto rms = [](const std::vector<double>& v, std::size_t from, std::size_t to) {
        return std::sqrt(std::accumulate(v.begin() + from, v.begin() + to, 0.0) / ((to - from) * blockFrames * 2.0));
    };
    const std::size_t second = mixRate / blockFrames, n = squares[0].size();
    ASSERT_TRUE(n > second && !squares[1].empty());
    EXPECT_LT(rms(squares[1], 0, squares[1].size()), 10.0);
    EXPECT_GT(rms(squares[0], n - second, n - second / 2), 2 * rms(squares[0], n - second / 2, n));
    EXPECT_LT(rms(squares[0], n - second / 5, n), 10.0);
}
