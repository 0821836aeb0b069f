// Song files played: the loader, then 1.2 s of play through the block mixer, as the demo
// plays them.  Slower per unit than fuzz_module, it reaches the later rows and the voices'
// long-run states (loops turning for many blocks).
#include <cstddef>
#include <cstdint>

#include "music/audio_output.h"
#include "music/loader.h"
#include "music/module.h"
#include "platform/message_box.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::setMessageSink([](const platform::Message&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Module* module = loadModuleFromMemory(data, size);
    if (module == nullptr) return 0;
    if (startPlaybackOffline(module)) {
        // 60 blocks of 20 ms: 1.2 s of music, at least a few hundred ticks at fast tempos
        // and every row of the first pattern at the default speed.
        for (int block = 0; block < 60; ++block) {
            mixBlock();
            const std::int16_t* ring = ringBlock(block % blockCount);
            if (ring == nullptr) __builtin_trap();
            (void)positionOrder(module);
            (void)positionRow(module);
        }
    }
    freeModule(module);
    return 0;
}
