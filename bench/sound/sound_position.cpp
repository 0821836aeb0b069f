// Plays a song on the system's default sound device and logs, each time the block the
// music output reports as heard changes, the wall-clock time and the song time the
// scenes would see then (the end of that block).  bench/sound/run.sh records the same
// sound and compares the two: how far the reported position is ahead of what is heard.
//
//   sound_position SONG.xm SECONDS  >  lines "wall_seconds song_seconds"
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "music/audio_output.h"
#include "music/music_player.h"
#include "platform/thread.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: sound_position SONG.xm SECONDS\n");
        return 2;
    }
    MusicPlayer player;
    player.installFileCallbacks();
    if (!player.load(argv[1]) || !player.play()) {
        std::fprintf(stderr, "sound_position: cannot play %s\n", argv[1]);
        return 1;
    }
    using Clock = std::chrono::system_clock;
    const auto end = Clock::now() + std::chrono::seconds(std::atoi(argv[2]));
    std::int32_t last = readBlockIndex();
    std::int64_t blocks = 0;  // blocks heard since the start, unwrapped from the ring
    while (Clock::now() < end) {
        const std::int32_t r = readBlockIndex();
        if (r != last) {
            blocks += (r - last + blockCount) % blockCount;
            last = r;
            const double wall = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
            std::printf("%.4f %.4f\n", wall, static_cast<double>((blocks + 1) * blockFrames) / mixRate);
        }
        platform::sleepMs(1);
    }
    std::fflush(stdout);
    std::_Exit(0);  // the song plays until the process ends, as in the demo
}
