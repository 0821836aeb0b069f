// The loader: the format's own edge cases, every refusal and every clamp of a hostile
// file, and real songs cut at many lengths.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "music/file_access.h"
#include "music/loader.h"
#include "music/music_player.h"
#include "support/xm_songs.h"

using namespace xmtest;

namespace {

void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b.at(at) = static_cast<std::uint8_t>(v);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    put16(b, at, static_cast<std::uint16_t>(v));
    put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

XmSong simpleSong() { return songFromText(2, {"C-4 01 40 A0F ... .. .. ...\n=== .. .. ... D-4 01 .. ..."}); }

// Offset of the first instrument header in a written song with one 2-row pattern.
std::size_t firstInstrumentOffset(const std::vector<std::uint8_t>& bytes) {
    const std::size_t patternStart = 60 + 276;
    const std::uint16_t packed = static_cast<std::uint16_t>(bytes[patternStart + 7] | (bytes[patternStart + 8] << 8));
    return patternStart + 9 + packed;
}

}  // namespace

TEST(LoaderFormat, MissingPatternsBecomeSixtyFourEmptyRows) {
    XmSong song = songFromText(1, {"C-4 01 .. ...", "C-4 01 .. ...", "C-4 01 .. ..."});
    song.orders = {0, 1, 5, 2};
    auto m = load(song);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->patternCount, 6);
    EXPECT_EQ(m->patternSlots, 6);
    for (int p = 3; p <= 5; ++p) {
        EXPECT_EQ(m->patterns[static_cast<std::size_t>(p)].rows, 64);
        EXPECT_EQ(m->patterns[static_cast<std::size_t>(p)].cells.size(), 64u);
    }
    // More stored patterns than the order table names: all are kept.
    song.orders = {0};
    m = load(song);
    EXPECT_EQ(m->patternCount, 1);
    EXPECT_EQ(m->patternSlots, 3);
}

TEST(LoaderFormat, MaskBytesAndOddCellValues) {
    XmSong song = simpleSong();
    song.channels = 1;
    XmPattern p;
    p.rows = 1;
    song.patterns = {p};
    auto bytes = writeXm(song);
    const std::size_t cells = 60 + 276 + 9;
    // Replace the one packed cell (0x80) by a 0x98 cell and add two raw cells in a 3-row pattern.
    const std::vector<std::uint8_t> data = {0x98, 0x0A, 0x05, 0x80, 97, 200, 0x10, 0, 0, 0x81, 120};
    bytes.erase(bytes.begin() + static_cast<long>(cells), bytes.begin() + static_cast<long>(cells) + 1);
    bytes.insert(bytes.begin() + static_cast<long>(cells), data.begin(), data.end());
    put16(bytes, 60 + 276 + 5, 4);
    put16(bytes, 60 + 276 + 7, static_cast<std::uint16_t>(data.size()));
    auto m = load(bytes);
    ASSERT_TRUE(m);
    const auto& c = m->patterns[0].cells;
    EXPECT_EQ(c[0].note, 0);
    EXPECT_EQ(c[0].effect, 0x0A);
    EXPECT_EQ(c[0].param, 0x05);
    EXPECT_EQ(c[1].note + c[1].instrument + c[1].volume + c[1].effect + c[1].param, 0);
    EXPECT_EQ(c[2].note, 255);      // 97 is key off
    EXPECT_EQ(c[2].instrument, 0);  // 200 names no instrument
    EXPECT_EQ(c[2].volume, 0x10);
    EXPECT_EQ(c[3].note, 0);  // above 97 is no note at all
}

TEST(LoaderFormat, EmptyPackedDataPlaysAsSilence) {
    XmSong song = simpleSong();
    song.patterns[0].emptyData = true;
    song.patterns[0].rows = 10;
    auto m = load(song);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->patterns[0].rows, 10);
    for (const NoteCell& c : m->patterns[0].cells) EXPECT_EQ(c.note, 0);
    EXPECT_EQ(m->instruments[0].samples[0]->length, 1000u);  // the instrument after it still reads
}

TEST(LoaderFormat, SampleConversionsLoopsAndGuards) {
    XmSong song = simpleSong();
    XmSample s;
    s.sixteenBit = true;
    for (int i = 0; i < 500; ++i) s.data.push_back(static_cast<std::int16_t>(i * 3));
    s.loop = XmLoop::Forward;
    s.loopStart = 100;
    s.loopLength = 200;
    XmSample both = s;
    both.loop = XmLoop::PingPong;
    both.extraTypeBits = 1;  // both loop bits
    XmSample zeroLoop = s;
    zeroLoop.loopLength = 0;
    XmSample eight = flatSample(10, 0, false);
    for (int i = 0; i < 10; ++i) eight.data[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i - 5);
    song.instruments[0].samples = {s, both, zeroLoop, eight};
    auto m = load(song);
    ASSERT_TRUE(m);
    const Instrument& ins = m->instruments[0];
    const Sample& a = *ins.samples[0];
    EXPECT_EQ(a.length, 500u);
    EXPECT_EQ(a.loopStart, 100u);
    EXPECT_EQ(a.loopLength, 200u);
    EXPECT_EQ(a.data[300], a.data[100]);
    EXPECT_EQ(a.data.size(), 508u);
    const Sample& b = *ins.samples[1];
    EXPECT_EQ(b.loopMode, 4);
    EXPECT_EQ(b.data[300], b.data[299]);
    const Sample& c = *ins.samples[2];
    EXPECT_EQ(c.loopMode, 1);
    EXPECT_EQ(c.loopStart, 0u);
    EXPECT_EQ(c.loopLength, 500u);
    const Sample& d = *ins.samples[3];
    EXPECT_EQ(d.bits, 16);
    EXPECT_EQ(d.data[0], -5 * 256);
    EXPECT_EQ(d.data[9], 4 * 256);
}

TEST(LoaderFormat, InstrumentFieldsAndEnvelopeRules) {
    XmSong song = simpleSong();
    XmInstrument& ins = song.instruments[0];
    ins.volumeEnvelope = {{{0, 64}}, 0, 0, 0, true, false, false};  // one point: off
    ins.panningEnvelope = {{{4, 10}, {5, 200}, {3, 0}}, 7, 0, 9, true, true, true};
    ins.fadeout = 300;
    ins.noteSample.fill(0);
    auto m = load(song);
    ASSERT_TRUE(m);
    const Instrument& i = m->instruments[0];
    EXPECT_EQ(i.volumeType, 0);
    EXPECT_EQ(i.fadeout, 600);
    // Values above 64 are held at 64; ticks that go backwards end the envelope there; a
    // sustain or loop point outside it turns that feature off.
    EXPECT_EQ(i.panningPointCount, 2);
    EXPECT_EQ(i.panningEnvelope[1].y, 64);
    EXPECT_EQ(i.panningType, 1);
    EXPECT_EQ(i.panningEnvelope[0].x, 0);  // an envelope starts with its note
    ins.fadeout = 0xFFFF;
    m = load(song);
    EXPECT_EQ(m->instruments[0].fadeout, 0xFFFF);
}

TEST(LoaderFormat, SampleProviderReplacesTheFileBytes) {
    XmSong song = simpleSong();
    song.instruments[0].samples[0] = flatSample(4, 7, true);
    const auto bytes = writeXm(song);
    int calls = 0;
    Module* m = loadModuleFromMemory(bytes.data(), bytes.size(), [&](void* dst, std::int32_t n, int bits, int ins, int smp) {
        ++calls;
        EXPECT_EQ(n, 8);
        EXPECT_EQ(bits, 16);
        EXPECT_EQ(ins, 0);
        EXPECT_EQ(smp, 0);
        const std::uint8_t raw[8] = {1, 0, 2, 0, 3, 0, 4, 0};
        std::memcpy(dst, raw, 8);
    });
    ASSERT_TRUE(m);
    EXPECT_EQ(calls, 1);
    const Sample& s = *m->instruments[0].samples[0];
    EXPECT_EQ(s.data[0], 1);  // not delta-decoded
    EXPECT_EQ(s.data[3], 4);
    EXPECT_TRUE(freeModule(m));
    EXPECT_FALSE(freeModule(nullptr));
}

TEST(LoaderRefuses, UnusableStructures) {
    auto good = writeXm(simpleSong());
    ASSERT_TRUE(load(good));
    auto refused = [&](auto patch) {
        auto b = good;
        patch(b);
        return load(b) == nullptr;
    };
    EXPECT_TRUE(refused([](auto& b) { b[0] = 'e'; }));                  // signature
    EXPECT_TRUE(refused([](auto& b) { b.resize(100); }));               // header cut
    EXPECT_TRUE(refused([](auto& b) { put16(b, 68, 0); }));             // no channels
    EXPECT_TRUE(refused([](auto& b) { put16(b, 70, 257); }));           // more patterns than the format holds
    EXPECT_TRUE(refused([](auto& b) { put32(b, 60, 12); }));            // header ends inside itself
    EXPECT_TRUE(refused([](auto& b) { put16(b, 60 + 276 + 5, 300); }));  // rows beyond 256
    EXPECT_TRUE(refused([](auto& b) { b.resize(60 + 276 + 12); }));      // pattern data cut
    EXPECT_TRUE(refused([&](auto& b) { put16(b, firstInstrumentOffset(good) + 27, 17); }));  // 17 samples
    EXPECT_EQ(loadModuleFromMemory(nullptr, 10), nullptr);
}

TEST(LoaderClamps, HeaderValuesATrackerWouldStillPlay) {
    auto good = writeXm(simpleSong());
    auto patched = [&](auto patch) {
        auto b = good;
        patch(b);
        return load(b);
    };
    auto m = patched([](auto& b) { put16(b, 64, 0); });
    ASSERT_TRUE(m);
    EXPECT_EQ(m->songLength, 1);
    m = patched([](auto& b) { put16(b, 64, 300); });
    ASSERT_TRUE(m);
    EXPECT_EQ(m->songLength, 256);
    m = patched([](auto& b) { put16(b, 66, 1); });
    ASSERT_TRUE(m);
    EXPECT_EQ(m->restartPosition, 0);  // at or past the song length
    m = patched([](auto& b) { put16(b, 78, 0); });
    ASSERT_TRUE(m);
    EXPECT_EQ(m->defaultBpm, 125);
    m = patched([](auto& b) { put16(b, 78, 1000); });
    ASSERT_TRUE(m);
    EXPECT_EQ(m->defaultBpm, 255);
    m = patched([](auto& b) { put16(b, 76, 0xFFFF); });
    ASSERT_TRUE(m);
    EXPECT_EQ(m->defaultSpeed, 255);
    m = patched([](auto& b) { put16(b, 72, 200); });  // more instruments than are stored: cut short
    ASSERT_TRUE(m);
    EXPECT_EQ(m->instrumentCount, 128);
    EXPECT_EQ(m->instruments[0].samples[0]->length, 1000u);
    EXPECT_EQ(m->instruments[1].sampleCount, 0);
    EXPECT_EQ(m->instruments[127].samples[5], &emptySample());
}

TEST(LoaderClamps, MoreThan32ChannelsKeepsTheFirst32) {
    XmSong song;
    song.channels = 40;
    std::string row;
    for (int k = 0; k < 40; ++k) row += k == 31 ? "C-4 01 .. ... " : k == 39 ? "D-4 01 .. ... " : "... .. .. ... ";
    song.patterns.push_back(*parseXmPattern(row + "\n" + row, 40));
    song.orders = {0};
    song.instruments.push_back(instrumentWith(flatSample(10, 1)));
    auto m = load(song);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->channelCount, 32);
    ASSERT_EQ(m->patterns[0].cells.size(), 64u);
    EXPECT_EQ(m->patterns[0].cells[31].note, 49);
    EXPECT_EQ(m->patterns[0].cells[63].note, 49);  // row 1, channel 31: channel 39 did not shift in
    EXPECT_EQ(m->instruments[0].samples[0]->length, 10u);
}

TEST(LoaderClamps, PatternAndHeaderSizes) {
    XmSong song = simpleSong();
    song.patterns[0].headerLength = 13;  // longer pattern headers are skipped over
    auto m = load(song);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->patterns[0].cells[0].note, 49);
    EXPECT_EQ(m->instruments[0].samples[0]->length, 1000u);

    song = simpleSong();
    song.patterns[0].rows = 0;  // no rows: 64 empty rows
    song.patterns[0].emptyData = true;
    m = load(song);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->patterns[0].rows, 64);

    song = simpleSong();
    song.headerSize = 300;  // a longer song header
    m = load(song);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->patterns[0].cells[0].note, 49);

    song = simpleSong();
    song.instruments[0].headerSize = 300;  // a longer instrument header
    m = load(song);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->instruments[0].samples[0]->length, 1000u);
    song.instruments[0].headerSize = 100;  // shorter: the fields past it read as zero
    song.instruments[0].fadeout = 77;
    m = load(song);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->instruments[0].fadeout, 0);
    EXPECT_EQ(m->instruments[0].samples[0]->length, 1000u);
}

TEST(LoaderClamps, LoopsPastTheSampleEnd) {
    XmSong song = simpleSong();
    XmSample s = flatSample(100, 3);
    s.loop = XmLoop::Forward;
    s.loopStart = 90;
    s.loopLength = 50;
    XmSample late = s;
    late.loopStart = 150;
    XmSample pp = s;
    pp.loop = XmLoop::PingPong;
    pp.loopLength = 0xFFFFFFF;
    song.instruments[0].samples = {s, late, pp};
    auto m = load(song);
    ASSERT_TRUE(m);
    const Sample& a = *m->instruments[0].samples[0];
    EXPECT_EQ(a.loopStart, 90u);
    EXPECT_EQ(a.loopLength, 10u);
    const Sample& b = *m->instruments[0].samples[1];
    EXPECT_EQ(b.loopMode, 1);
    EXPECT_EQ(b.loopLength, 100u);
    const Sample& c = *m->instruments[0].samples[2];
    EXPECT_EQ(c.loopStart + c.loopLength, 100u);
    EXPECT_EQ(c.data[100], c.data[99]);
}

TEST(LoaderClamps, SampleDataCutShortKeepsWhatIsThere) {
    XmSong song = simpleSong();
    song.instruments[0].samples[0] = flatSample(1000, 0, true);
    auto bytes = writeXm(song);
    bytes.resize(bytes.size() - 501);  // 1499 of 2000 data bytes left: 749 whole samples
    auto m = load(bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->instruments[0].samples[0]->length, 749u);
    EXPECT_EQ(m->instruments[0].samples[0]->data.size(), 757u);
}

TEST(LoaderRobustness, RealSongCutAtManyLengthsNeverFails) {
    const auto songs = sharedSongs();
    ASSERT_FALSE(songs.empty());
    const auto bytes = readFile(songs.front());
    ASSERT_GT(bytes.size(), 1000u);
    int loaded = 0;
    for (std::size_t cut = 0; cut < bytes.size(); cut += cut < 4000 ? 7 : 977) {
        std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
        auto m = load(part);
        if (!m) continue;
        ++loaded;
        // Whatever loaded must play: a few rows through the player and mixer.
        mixerReset();
        playerStart(*m);
        std::vector<float> buffer(2 * 882);
        for (int t = 0; t < 20; ++t) {
            m->tickHandler(*m);
            mixVoices(buffer.data(), 882);
        }
    }
    EXPECT_GT(loaded, 0);
}

TEST(LoaderRobustness, ByteFlipsInARealSongNeverCrash) {
    const auto songs = sharedSongs();
    const auto bytes = readFile(songs.back());
    std::uint32_t seed = 12345;
    for (int trial = 0; trial < 200; ++trial) {
        auto b = bytes;
        for (int k = 0; k < 8; ++k) {
            seed = seed * 1664525u + 1013904223u;
            const std::size_t at = (seed >> 8) % std::min<std::size_t>(b.size(), 4000);
            b[at] = static_cast<std::uint8_t>(seed);
        }
        auto m = load(b);
        if (!m) continue;
        mixerReset();
        playerStart(*m);
        std::vector<float> buffer(2 * 882);
        for (int t = 0; t < 30; ++t) {
            m->tickHandler(*m);
            mixVoices(buffer.data(), 882);
        }
    }
}

TEST(LoaderRobustness, EverySharedSongLoads) {
    for (const auto& path : sharedSongs()) {
        auto m = load(readFile(path));
        ASSERT_TRUE(m) << path;
        EXPECT_GT(m->instrumentCount, 0) << path;
    }
}

TEST(LoaderFiles, CallbacksOpenReadAndRefuse) {
    MusicPlayer player;
    player.installFileCallbacks();
    ASSERT_TRUE(fileCallbacksInstalled());
    EXPECT_EQ(loadModule("/nonexistent/song.xm"), nullptr);
    const auto path = std::filesystem::temp_directory_path() / "velastria_loader_test.xm";
    const auto bytes = writeXm(simpleSong());
    {
        std::FILE* f = std::fopen(path.string().c_str(), "wb");
        ASSERT_TRUE(f);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    Module* m = loadModule(path.string().c_str());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->channelCount, 2);
    freeModule(m);
    // The program names its song "sound\\velastr.xm": backslashes are folder separators.
    const auto folder = std::filesystem::temp_directory_path() / "velastria_loader_sound";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(path, folder / "velastr.xm", std::filesystem::copy_options::overwrite_existing);
    const std::string backslashed = std::filesystem::temp_directory_path().string() + "/velastria_loader_sound\\velastr.xm";
    m = loadModule(backslashed.c_str());
    ASSERT_NE(m, nullptr);
    freeModule(m);
    std::filesystem::remove_all(folder);
    // Any missing function clears all five; nothing can be opened then.
    setFileCallbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(fileCallbacksInstalled());
    EXPECT_EQ(loadModule(path.string().c_str()), nullptr);
    EXPECT_EQ(streamOpen(path.string().c_str()), nullptr);
    EXPECT_EQ(streamRead(nullptr, nullptr, 4), 0);
    EXPECT_EQ(streamTell(nullptr), 0);
    std::filesystem::remove(path);
}
