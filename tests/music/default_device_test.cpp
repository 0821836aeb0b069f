// The Linux backend's default device: the real one under SDL's dummy driver, the silent
// fallback when SDL opens none, and a process that ends while its song plays.  (On Windows
// the same is checked end to end under Wine.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "music/audio_output.h"
#include "music/music_player.h"
#include "platform/audio_out.h"
#include "platform/clock.h"
#include "platform/thread.h"
#include "support/xm_songs.h"

using namespace xmtest;

TEST(DefaultDevice, FallsBackToSilenceWhenNoDeviceOpensAndPlaysOn) {
    platform::setAudioDeviceFactory({});
    const char* old = std::getenv("SDL_AUDIODRIVER");
    const std::string saved = old ? old : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    platform::VirtualClock clock(0);
    platform::setClockSource(clock.source());
    MusicPlayer player;
    player.installFileCallbacks();
    auto song = load(songFromText(1, {patternText(1, 64, {{0, "C-4 01 .. ..."}})}));
    testing::internal::CaptureStderr();
    const bool started = startPlaybackManual(song.get());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(started);
    EXPECT_NE(err.find("silence"), std::string::npos);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    clock.advance(45);  // 2.25 blocks
    audioThreadStep();
    EXPECT_EQ(readBlockIndex(), 2);
    stopPlayback(song.get());
    platform::setClockSource({});
    if (old)
        setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
}

TEST(DefaultDevice, RealDeviceThreadFollowsThePlayCursor) {
    platform::setAudioDeviceFactory({});
    MusicPlayer player;
    player.installFileCallbacks();
    const auto path = std::filesystem::temp_directory_path() / "velastria_output_test.xm";
    {
        const auto bytes = writeXm(songFromText(1, {patternText(1, 64, {{0, "C-4 01 .. ..."}})}));
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    }
    EXPECT_EQ(player.position().timeMs, 0);
    ASSERT_TRUE(player.load(path.string()));
    EXPECT_EQ(player.position().timeMs, 0);  // loaded, not playing
    ASSERT_TRUE(player.play());
    // The device consumes the ring; within a few seconds the thread must have moved on.
    for (int i = 0; i < 600 && readBlockIndex() < 2; ++i) platform::sleepMs(10);
    EXPECT_GE(readBlockIndex(), 2);
    EXPECT_GT(player.position().timeMs, 19);
    freeModule(player.module);
    std::filesystem::remove(path);
}

TEST(DefaultDevice, TheProcessEndsWhileTheSongPlays) {
    // Nothing stops the song: leaving main with the audio thread running must still end
    // the process.  The alarm turns a hang at exit into a failure instead of a stuck run.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            alarm(20);
            platform::setAudioDeviceFactory({});
            MusicPlayer player;
            player.installFileCallbacks();
            // Like the demo's song, never freed.
            player.module = load(songFromText(1, {patternText(1, 64, {{0, "C-4 01 .. ..."}})})).release();
            if (!player.play()) std::_Exit(3);
            platform::sleepMs(50);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
