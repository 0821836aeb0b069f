// Song files: the loader, then the first rows at speed: 96 ticks of the player with a short
// mix after each, so the effects and voice operations of whatever loaded run many times a
// second (fuzz_song plays the same input through the block mixer for longer).
#include <array>
#include <cstddef>
#include <cstdint>

#include "music/loader.h"
#include "music/mixer.h"
#include "music/module.h"
#include "music/player.h"
#include "platform/message_box.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::setMessageSink([](const platform::Message&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Module* module = loadModuleFromMemory(data, size);
    if (module == nullptr) return 0;
    if (module->tickHandler != nullptr) {
        mixerReset();
        playerStart(*module);
        std::array<float, 2 * 64> buffer{};
        for (int tick = 0; tick < 96; ++tick) {
            module->tickHandler(*module);
            mixVoices(buffer.data(), 64);
        }
    }
    freeModule(module);
    return 0;
}
