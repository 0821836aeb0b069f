// The audio thread against the main thread's read-outs, run under ThreadSanitizer as well:
// the real thread on a hand-moved device, starts and stops back to back, starvation that
// skips many blocks, the 32-bit byte count wrapping while the thread runs.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "music/audio_output.h"
#include "music/music_player.h"
#include "platform/audio_out.h"
#include "platform/clock.h"
#include "platform/thread.h"
#include "support/xm_songs.h"

using namespace xmtest;

namespace {

constexpr std::uint32_t blockBytes = blockFrames * 4;

class AudioThread : public ::testing::Test {
protected:
    void SetUp() override {
        MusicPlayer().installFileCallbacks();
        platform::setAudioDeviceFactory([this] {
            auto d = std::make_unique<platform::VirtualAudioDevice>();
            device.store(d.get());
            return d;
        });
        std::vector<std::string> patterns;
        for (int i = 0; i < 8; ++i) patterns.push_back(patternText(1, 64, {{0, "C-4 01 .. ..."}}));
        song = load(songFromText(1, patterns));
        ASSERT_TRUE(song);
    }
    void TearDown() override {
        if (song) stopPlayback(song.get());
        platform::setAudioDeviceFactory({});
    }
    static std::int32_t blockAt(std::uint64_t bytes) {
        return static_cast<std::int32_t>(bytes / 4 % ringFrames / blockFrames);
    }
    // Waits (bounded) for the thread to reach the block the device is in.
    bool caughtUp(std::uint64_t bytes, int limitMs = 5000) {
        for (int i = 0; i < limitMs; ++i) {
            if (readBlockIndex() == blockAt(bytes)) return true;
            platform::sleepMs(1);
        }
        return false;
    }

    ModulePtr song;
    std::atomic<platform::VirtualAudioDevice*> device{nullptr};
};

}  // namespace

TEST_F(AudioThread, ReadOutsNeverRunAheadOrBackWhileTheThreadMixes) {
    ASSERT_TRUE(startPlayback(song.get()));
    ASSERT_TRUE(audioThreadRunning());
    // The device moves on in a second thread, sometimes a block, sometimes a starving
    // stretch of several; the main thread reads the position all the while.
    std::atomic<bool> done{false};
    std::thread mover([&] {
        std::uint32_t bytes = 0;
        for (int step = 0; step < 400; ++step) {
            bytes += (step % 25 == 24 ? 9 : 1) * blockBytes / 2;
            device.load()->position = bytes;
            platform::sleepMs(1);
        }
        done = true;
    });
    std::int32_t lastTime = 0, reads = 0, backwards = 0, ahead = 0;
    std::string first;
    while (!done) {
        const std::int32_t t = positionTime(song.get());
        const std::int32_t order = positionOrder(song.get());
        const std::int32_t row = positionRow(song.get());
        EXPECT_LT(order, 8);
        EXPECT_LT(row, 64);
        // Never further ahead of the device than the block being heard (20 ms and change).
        const auto heard = static_cast<std::int32_t>(device.load()->position.load() / 4ull * 1000 / mixRate);
        if (t < lastTime) ++backwards;
        if (t > heard + 60) ++ahead;
        if ((t < lastTime || t > heard + 60) && first.empty())
            first = "read " + std::to_string(t) + " ms after " + std::to_string(lastTime) + " ms, device at " +
                    std::to_string(heard) + " ms";
        lastTime = t;
        ++reads;
    }
    EXPECT_EQ(backwards, 0) << first;
    EXPECT_EQ(ahead, 0) << first;
    mover.join();
    EXPECT_GT(reads, 0);
    EXPECT_TRUE(caughtUp(device.load()->position.load()));
}

TEST_F(AudioThread, StarvedThreadSkipsAheadToThePlayingBlock) {
    ASSERT_TRUE(startPlayback(song.get()));
    const std::int32_t before = positionTime(song.get());
    // 37 blocks pass while the thread is not looking.
    device.load()->position = 37 * blockBytes + 12;
    ASSERT_TRUE(caughtUp(37 * blockBytes + 12));
    EXPECT_EQ(writeBlockIndex(), 37);
    // Every skipped block was mixed once, in order: block 36 holds music one ring later
    // than the block after it.
    for (int b = 1; b < 37; ++b) EXPECT_GT(positionEntry(b).timeMs, positionEntry(b - 1).timeMs) << b;
    EXPECT_GT(positionEntry(36).timeMs, positionEntry(37).timeMs);
    EXPECT_GT(positionTime(song.get()), before);
}

TEST_F(AudioThread, ByteCountWrapsWhileTheThreadRuns) {
    // A song without notes: the thread has to mix its way through 4 GiB of output (about
    // 6.7 hours of music) to get near the wrap, which is quick when no voice sounds.
    auto quiet = load(songFromText(1, {patternText(1, 64, {})}));
    ASSERT_TRUE(quiet);
    ASSERT_TRUE(startPlayback(quiet.get()));
    const std::uint32_t nearWrap = 0xFFFFFFFFu - 3 * blockBytes;
    device.load()->position = nearWrap;
    ASSERT_TRUE(caughtUp(nearWrap, 600000));
    const std::int32_t r0 = readBlockIndex();
    const std::int32_t t0 = positionTime(quiet.get());
    device.load()->position = nearWrap + 6 * blockBytes;  // past 2^32
    ASSERT_TRUE(caughtUp(nearWrap + 6ull * blockBytes));
    EXPECT_EQ(readBlockIndex(), (r0 + 6) % blockCount);
    EXPECT_GT(positionTime(quiet.get()), t0);  // onwards, not back to the top
    stopPlayback(quiet.get());
}

TEST_F(AudioThread, StartAndStopTwiceLeaveNoThreadBehind) {
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(startPlayback(song.get()));
        EXPECT_TRUE(audioThreadRunning());
        device.load()->position = 3 * blockBytes;
        EXPECT_TRUE(caughtUp(3 * blockBytes));
        EXPECT_TRUE(stopPlayback(song.get()));
        EXPECT_FALSE(audioThreadRunning());
        EXPECT_EQ(positionTime(song.get()), 0);
        EXPECT_TRUE(stopPlayback(song.get()));  // stopping a stopped song is harmless
    }
    // Two starts in a row: the second replaces the first's thread.
    ASSERT_TRUE(startPlayback(song.get()));
    ASSERT_TRUE(startPlayback(song.get()));
    EXPECT_TRUE(audioThreadRunning());
    EXPECT_EQ(readBlockIndex(), 0);
}

TEST_F(AudioThread, SilentDeviceThreadFollowsTheVirtualClock) {
    platform::setAudioDeviceFactory([] { return std::make_unique<platform::SilentAudioDevice>(); });
    platform::VirtualClock clock(100);
    platform::setClockSource(clock.source());
    ASSERT_TRUE(startPlayback(song.get()));
    for (int step = 1; step <= 30; ++step) {
        clock.advance(step % 10 == 0 ? 200 : 20);  // now and then a stall of ten blocks
        const std::uint64_t bytes = static_cast<std::uint64_t>(clock.value() - 100) * mixRate * 4 / 1000;
        EXPECT_TRUE(caughtUp(bytes)) << step;
    }
    stopPlayback(song.get());
    platform::setClockSource({});
}
