// Song files, in two targets built from this file:
//   fuzz_module  the loader, then the first rows at speed: 96 player ticks with a short mix
//                after each, so the effects and voice operations of whatever loaded run
//                many times a second;
//   fuzz_song    (VELASTRIA_FUZZ_PLAYBACK) the loader, then 1.2 s through the block mixer as
//                the demo plays songs: slower per unit, it reaches later rows and the
//                voices' long-run states (loops turning for many blocks).
#include <array>
#include <cstddef>
#include <cstdint>

#include "music/audio_output.h"
#include "music/loader.h"
#include "music/mixer.h"
#include "music/module.h"
#include "music/player.h"
#include "platform/message_box.h"

namespace {

void firstTicks(Module* module) {
    if (module->tickHandler == nullptr) return;
    mixerReset();
    playerStart(*module);
    std::array<float, 2 * 64> buffer{};
    for (int tick = 0; tick < 96; ++tick) {
        module->tickHandler(*module);
        mixVoices(buffer.data(), 64);
    }
}

void playback(Module* module) {
    if (!startPlaybackOffline(module)) return;
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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::setMessageSink([](const platform::Message&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Module* module = loadModuleFromMemory(data, size);
    if (module == nullptr) return 0;
#if defined(VELASTRIA_FUZZ_PLAYBACK)
    playback(module);
#else
    firstTicks(module);
#endif
    freeModule(module);
    return 0;
}
