// xmrender: plays a song offline through the demo's own loader, player, mixer and block
// mixer, without a device, and writes a 16-bit stereo 44100 Hz WAV file and/or the song
// position of every 884-frame block.
//
//   xmrender [--seconds S] [--blocks N] [--timeline [--levels]] [-o out.wav] FILE.xm
//
// --levels adds the block's left and right RMS level (16-bit units) to each timeline line.
//
// Without --seconds or --blocks it stops when the song ends: the first time a row would
// play again other than through a pattern loop, or after 20 minutes.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "music/audio_output.h"
#include "music/module.h"
#include "music/music_player.h"

namespace {

void usage() {
    std::fprintf(stderr, "usage: xmrender [--seconds S] [--blocks N] [--timeline [--levels]] [-o out.wav] FILE.xm\n");
}

void put16(std::FILE* f, std::uint32_t v) {
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
    std::fwrite(b, 1, 2, f);
}
void put32(std::FILE* f, std::uint32_t v) {
    put16(f, v & 0xFFFF);
    put16(f, v >> 16);
}

void writeWavHeader(std::FILE* f, std::uint32_t dataBytes) {
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1);  // PCM
    put16(f, 2);
    put32(f, mixRate);
    put32(f, mixRate * 4);
    put16(f, 4);
    put16(f, 16);
    std::fwrite("data", 1, 4, f);
    put32(f, dataBytes);
}

}  // namespace

int main(int argc, char** argv) {
    long long maxBlocks = -1;
    bool timeline = false, levels = false;
    std::string output, input;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--seconds" || a == "--blocks" || a == "-o") && i + 1 >= argc) {
            usage();
            return 2;
        }
        if (a == "--seconds") {
            char* end = nullptr;
            const double s = std::strtod(argv[++i], &end);
            if (!end || *end || !(s >= 0) || s > 1e6) {
                usage();
                return 2;
            }
            maxBlocks = static_cast<long long>(std::ceil(s * mixRate / blockFrames));
        } else if (a == "--blocks") {
            char* end = nullptr;
            maxBlocks = std::strtoll(argv[++i], &end, 10);
            if (!end || *end || maxBlocks < 0) {
                usage();
                return 2;
            }
        } else if (a == "--timeline") {
            timeline = true;
        } else if (a == "--levels") {
            levels = true;
        } else if (a == "-o") {
            output = argv[++i];
        } else if (!a.empty() && a[0] == '-') {
            usage();
            return 2;
        } else if (input.empty()) {
            input = a;
        } else {
            usage();
            return 2;
        }
    }
    if (input.empty()) {
        usage();
        return 2;
    }

    MusicPlayer player;
    player.installFileCallbacks();
    if (!player.load(input) || !startPlaybackOffline(player.module)) {
        std::fprintf(stderr, "xmrender: %s: not a playable extended module\n", input.c_str());
        return 1;
    }
    std::FILE* wav = nullptr;
    if (!output.empty()) {
        wav = std::fopen(output.c_str(), "wb");
        if (!wav) {
            std::fprintf(stderr, "xmrender: cannot write %s\n", output.c_str());
            return 1;
        }
        writeWavHeader(wav, 0);
    }

    const bool untilEnd = maxBlocks < 0;
    const long long limit = untilEnd ? 20LL * 60 * mixRate / blockFrames : maxBlocks;
    long long block = 0;
    for (; block < limit; ++block) {
        const std::int32_t w = writeBlockIndex();
        mixBlock();
        if (untilEnd && player.module->songLooped) break;  // this block already plays a repeat
        if (timeline) {
            const PositionEntry e = positionEntry(w);
            std::printf("%lld %d %d %d", block, e.order, e.row, e.timeMs);
            if (levels) {
                const std::int16_t* pcm = ringBlock(w);
                double left = 0, right = 0;
                for (std::int32_t f = 0; f < blockFrames; ++f) {
                    left += static_cast<double>(pcm[2 * f]) * pcm[2 * f];
                    right += static_cast<double>(pcm[2 * f + 1]) * pcm[2 * f + 1];
                }
                std::printf(" %.0f %.0f", std::sqrt(left / blockFrames), std::sqrt(right / blockFrames));
            }
            std::printf("\n");
        }
        if (wav) std::fwrite(ringBlock(w), sizeof(std::int16_t), static_cast<std::size_t>(blockFrames) * 2, wav);
        if (block >= 3000 && block % 3000 == 0)  // long renders (over a minute) show progress
            std::fprintf(stderr, "\rxmrender: %.0f s", static_cast<double>(block) * blockFrames / mixRate);
    }
    if (block >= 3000) std::fprintf(stderr, "\rxmrender: %.1f s rendered\n", static_cast<double>(block) * blockFrames / mixRate);
    if (wav) {
        std::fseek(wav, 0, SEEK_SET);
        writeWavHeader(wav, static_cast<std::uint32_t>(block * blockFrames * 4));
        std::fclose(wav);
    }
    return 0;
}
