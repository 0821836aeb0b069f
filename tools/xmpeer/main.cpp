// xmpeer FILE.xm: plays a song once through libopenmpt at 44100 Hz with linear
// interpolation in chunks of 884 frames and prints "<chunk> <order> <row>" after each
// full chunk, until the library reports the end of the song.
#include <libopenmpt/libopenmpt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xmpeer FILE.xm\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    openmpt_module* mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                             nullptr, nullptr, nullptr, nullptr);
    if (!mod) {
        std::fprintf(stderr, "xmpeer: %s: not loadable\n", argv[1]);
        return 1;
    }
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 2);
    openmpt_module_set_repeat_count(mod, 0);
    std::vector<float> buffer(884 * 2);
    for (long chunk = 0;; ++chunk) {
        const std::size_t got = openmpt_module_read_interleaved_float_stereo(mod, 44100, 884, buffer.data());
        if (got < 884) break;
        std::printf("%ld %d %d\n", chunk, openmpt_module_get_current_order(mod), openmpt_module_get_current_row(mod));
    }
    openmpt_module_destroy(mod);
    return 0;
}
