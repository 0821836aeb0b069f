// The output ring and its thread step on a virtual device (also one lost and found again),
// the silent device, and the
// MusicPlayer facade (the system's own device: default_device_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "music/audio_output.h"
#include "music/file_access.h"
#include "music/music_player.h"
#include "platform/audio_out.h"
#include "platform/clock.h"
#include "platform/thread.h"
#include "support/xm_songs.h"

using namespace xmtest;

namespace {

constexpr std::uint32_t blockBytes = blockFrames * 4;

class OutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        MusicPlayer().installFileCallbacks();
        platform::setAudioDeviceFactory([this] {
            auto d = std::make_unique<platform::VirtualAudioDevice>();
            d->openResult = deviceOpens;
            device = d.get();
            ++devicesOpened;
            return d;
        });
        song = load(songFromText(1, {patternText(1, 64, {{0, "C-4 01 .. ..."}}), patternText(1, 64, {})}));
        ASSERT_TRUE(song);
    }
    void TearDown() override {
        if (song) stopPlayback(song.get());
        platform::setAudioDeviceFactory({});
    }
    void moveDevice(std::uint32_t bytes) {
        device->position = bytes;
        audioThreadStep();
    }

    ModulePtr song;
    platform::VirtualAudioDevice* device = nullptr;
    bool deviceOpens = true;
    int devicesOpened = 0;
};

}  // namespace

TEST_F(OutputTest, RingGeometry) {
    EXPECT_EQ(blockFrames, 884);
    EXPECT_EQ(ringFrames, 88400);
    EXPECT_EQ(blockCount, 100);
    ASSERT_TRUE(startPlaybackManual(song.get()));
    EXPECT_EQ(device->bufferBytes, 353600u);
    EXPECT_TRUE(device->playing);
}

TEST_F(OutputTest, PositionRightAfterStartAndAfterOneRing) {
    ASSERT_TRUE(startPlaybackManual(song.get()));
    EXPECT_EQ(writeBlockIndex(), 0);  // the whole ring was primed
    EXPECT_EQ(positionOrder(song.get()), 0);
    EXPECT_EQ(positionRow(song.get()), 0);
    EXPECT_EQ(positionTime(song.get()), 19);
    EXPECT_EQ(positionEntry(99).timeMs, 1904);
    EXPECT_EQ(positionEntry(4).row, 0);  // row 0 lasts 5292 frames: blocks 0..4 end inside it
    EXPECT_EQ(positionEntry(5).row, 1);
    // The ring holds the first note: the flat sample ramps in from silence.
    const std::int16_t* first = ringBlock(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first[0], 0);
    EXPECT_GT(first[2 * 200], 0);
}

TEST_F(OutputTest, ThreadStepMixesEveryPassedBlockInOrder) {
    ASSERT_TRUE(startPlaybackManual(song.get()));
    moveDevice(blockBytes - 4);
    EXPECT_EQ(readBlockIndex(), 0);  // still inside block 0
    const std::int32_t before = positionEntry(0).timeMs;
    moveDevice(blockBytes);
    EXPECT_EQ(readBlockIndex(), 1);
    EXPECT_EQ(writeBlockIndex(), 1);
    EXPECT_GT(positionEntry(0).timeMs, 1904);  // block 0 now holds the music of block 100
    EXPECT_EQ(positionTime(song.get()), positionEntry(1).timeMs);
    // A starved thread catches up with every block at once.
    moveDevice(blockBytes * 12 + 100);
    EXPECT_EQ(readBlockIndex(), 12);
    for (int b = 1; b < 12; ++b) EXPECT_GT(positionEntry(b).timeMs, positionEntry(b - 1).timeMs) << b;
    EXPECT_GT(positionEntry(0).timeMs, before);
    // The same triple within a block.
    const SongPosition a{positionOrder(song.get()), positionRow(song.get()), positionTime(song.get())};
    moveDevice(blockBytes * 12 + 800);
    EXPECT_EQ(positionTime(song.get()), a.timeMs);
    EXPECT_EQ(positionRow(song.get()), a.row);
}

TEST_F(OutputTest, PlayingBlockStaysRightWhenTheByteCountWraps) {
    ASSERT_TRUE(startPlaybackManual(song.get()));
    const std::uint32_t nearWrap = 0xFFFFFFFFu - 2 * blockBytes;
    moveDevice(nearWrap);
    const std::int32_t r0 = readBlockIndex();
    EXPECT_EQ(r0, static_cast<std::int32_t>((nearWrap / 4ull % ringFrames) / blockFrames));
    moveDevice(nearWrap + 5 * blockBytes);  // wraps past 2^32
    EXPECT_EQ(readBlockIndex(), (r0 + 5) % blockCount);
}

TEST_F(OutputTest, RestartingLeavesOneDeviceAndStartsFromTheTop) {
    ASSERT_TRUE(startPlayback(song.get()));
    EXPECT_TRUE(audioThreadRunning());
    ASSERT_TRUE(startPlayback(song.get()));
    EXPECT_TRUE(audioThreadRunning());
    EXPECT_EQ(devicesOpened, 2);
    EXPECT_EQ(positionOrder(song.get()), 0);
    EXPECT_EQ(positionTime(song.get()), 19);
    // The thread follows the device.
    device->position = 3 * blockBytes;
    for (int i = 0; i < 400 && readBlockIndex() != 3; ++i) platform::sleepMs(5);
    EXPECT_EQ(readBlockIndex(), 3);
    EXPECT_TRUE(stopPlayback(song.get()));
    EXPECT_FALSE(audioThreadRunning());
    EXPECT_EQ(positionTime(song.get()), 0);
    EXPECT_FALSE(stopPlayback(nullptr));
}

TEST_F(OutputTest, RefusesWithoutModuleCallbacksOrDevice) {
    EXPECT_FALSE(startPlayback(nullptr));
    deviceOpens = false;
    EXPECT_FALSE(startPlayback(song.get()));
    EXPECT_EQ(positionTime(song.get()), 0);
    deviceOpens = true;
    setFileCallbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(startPlayback(song.get()));
    MusicPlayer player;
    player.module = song.get();  // loaded by other means
    EXPECT_FALSE(player.play());
}

TEST_F(OutputTest, ALostDeviceGivesWayToTheSilentClockAndAFoundOneResumesWhereTheSongIs) {
    std::vector<platform::VirtualAudioDevice*> opened;  // only the devices that opened
    platform::setAudioDeviceFactory([&] {
        auto d = std::make_unique<platform::VirtualAudioDevice>();
        d->openResult = deviceOpens;
        if (deviceOpens) opened.push_back(d.get());
        ++devicesOpened;
        return d;
    });
    const auto bytesFor = [](std::uint64_t ms) { return ms * mixRate * 4 / 1000; };
    const auto blockAt = [](std::uint64_t bytes) { return static_cast<std::int32_t>(bytes / 4 % ringFrames / blockFrames); };
    platform::VirtualClock clock(1000);
    platform::setClockSource(clock.source());
    ASSERT_TRUE(startPlaybackManual(song.get()));
    opened[0]->position = 10 * blockBytes;
    clock.advance(200);
    audioThreadStep();
    deviceOpens = false;
    opened[0]->gone = true;
    testing::internal::CaptureStderr();
    clock.advance(10);
    audioThreadStep();  // it was last heard 10 ms ago, at block 10
    for (int step = 0; step < 25; ++step, audioThreadStep()) clock.advance(100);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("has gone away; playing on in silence"), std::string::npos) << err;
    std::uint64_t heard = 10 * blockBytes + bytesFor(10) + bytesFor(clock.value() - 1210);
    EXPECT_EQ(readBlockIndex(), blockAt(heard));
    EXPECT_GE(devicesOpened, 3);  // looked for again while the silent clock plays
    // A device opens again: it plays the ring from where the song has got to meanwhile.
    deviceOpens = true;
    testing::internal::CaptureStderr();
    for (int step = 0; step < 30 && opened.size() < 2; ++step, audioThreadStep()) clock.advance(100);
    for (int step = 0; step < 3 && !opened.back()->playing; ++step, audioThreadStep()) clock.advance(100);
    ASSERT_EQ(opened.size(), 2u);
    ASSERT_TRUE(opened[1]->playing);
    heard = 10 * blockBytes + bytesFor(10) + bytesFor(clock.value() - 1210);
    EXPECT_EQ(opened[1]->buffer, ringBlock(0));
    EXPECT_EQ(opened[1]->startByte, heard % (ringFrames * 4u));
    opened[1]->position = 3 * blockBytes;
    audioThreadStep();
    EXPECT_EQ(readBlockIndex(), blockAt(heard + 3 * blockBytes));
    opened[1]->position = static_cast<std::uint32_t>(bytesFor(1000));
    audioThreadStep();
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("an output device is back"), std::string::npos) << err;
    stopPlayback(song.get());
    platform::setClockSource({});
}

TEST_F(OutputTest, FreeingTheModuleStopsItsPlayback) {
    ASSERT_TRUE(startPlayback(song.get()));
    freeModule(song.release());
    EXPECT_FALSE(audioThreadRunning());
    EXPECT_EQ(ringBlock(0), nullptr);  // the ring is released with the device
}

TEST(SilentDevice, AdvancesWithTheClockAt176400BytesPerSecond) {
    platform::VirtualClock clock(5000);
    platform::setClockSource(clock.source());
    platform::SilentAudioDevice device;
    ASSERT_TRUE(device.open(44100));
    EXPECT_EQ(device.bytePosition(), 0u);
    device.playLooping(nullptr, 0, 0);
    clock.advance(1000);
    EXPECT_EQ(device.bytePosition(), 176400u);
    clock.advance(5);
    EXPECT_EQ(device.bytePosition(), 176400u + 882u);
    platform::setClockSource({});
}

TEST(MusicPlayerFacade, RefusesWhatIsNotASong) {
    MusicPlayer player;
    EXPECT_EQ(player.position().order, 0);
    EXPECT_EQ(player.position().row, 0);
    EXPECT_EQ(player.position().timeMs, 0);
    player.installFileCallbacks();
    const auto path = std::filesystem::temp_directory_path() / "velastria_not_a_song.xm";
    std::ofstream(path) << "Extended Modulo: certainly not";
    EXPECT_FALSE(player.load(path.string()));
    EXPECT_EQ(player.module, nullptr);
    EXPECT_FALSE(player.play());
    EXPECT_FALSE(player.load("/no/such/file.xm"));
    std::filesystem::remove(path);
}
