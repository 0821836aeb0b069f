// xmpeer [--levels] FILE.xm: plays a song once through libopenmpt at 44100 Hz with linear
// interpolation in chunks of 884 frames and prints "<chunk> <order> <row>" after each
// full chunk, until the library reports the end of the song.  --levels adds the chunk's
// left and right RMS level in 16-bit units.
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    const bool levels = argc == 3 && std::strcmp(argv[1], "--levels") == 0;
    if (argc != 2 && !levels) {
        std::fprintf(stderr, "usage: xmpeer [--levels] FILE.xm\n");
        return 2;
    }
    const char* file = argv[argc - 1];
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    openmpt_module* mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                             nullptr, nullptr, nullptr, nullptr);
    if (!mod) {
        std::fprintf(stderr, "xmpeer: %s: not loadable\n", file);
        return 1;
    }
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 2);
    openmpt_module_set_repeat_count(mod, 0);
    std::vector<float> buffer(884 * 2);
    for (long chunk = 0;; ++chunk) {
        const std::size_t got = openmpt_module_read_interleaved_float_stereo(mod, 44100, 884, buffer.data());
        if (got < 884) break;
        std::printf("%ld %d %d", chunk, openmpt_module_get_current_order(mod), openmpt_module_get_current_row(mod));
        if (levels) {
            double left = 0, right = 0;
            for (std::size_t f = 0; f < 884; ++f) {
                left += static_cast<double>(buffer[2 * f]) * buffer[2 * f];
                right += static_cast<double>(buffer[2 * f + 1]) * buffer[2 * f + 1];
            }
            std::printf(" %.0f %.0f", 32768.0 * std::sqrt(left / 884), 32768.0 * std::sqrt(right / 884));
        }
        std::printf("\n");
    }
    openmpt_module_destroy(mod);
    return 0;
}
