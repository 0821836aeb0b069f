#include "platform/audio_out.h"

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/backend.h"
#include "platform/clock.h"

namespace platform {

namespace {

std::mutex factoryMutex;
AudioDeviceFactory deviceFactory;

}  // namespace

bool SilentAudioDevice::open(int r) {
    rate = r;
    return true;
}

void SilentAudioDevice::playLooping(const std::int16_t*, std::uint32_t, std::uint32_t) {
    startMs = clockMs();
    running = true;
}

std::uint32_t SilentAudioDevice::bytePosition() {
    if (!running) return 0;
    const std::uint64_t elapsed = static_cast<std::uint32_t>(clockMs() - startMs);
    return static_cast<std::uint32_t>(elapsed * static_cast<std::uint64_t>(rate) * 4u / 1000u);
}

void SilentAudioDevice::reset() { running = false; }

void setAudioDeviceFactory(AudioDeviceFactory factory) {
    std::lock_guard lock(factoryMutex);
    deviceFactory = std::move(factory);
}

namespace {

// The tests' device when they installed a factory (its failure is final: no silent stand-in
// then), otherwise the system's default device; null, and why, when none opens.
std::unique_ptr<AudioDevice> openDevice(int rate, std::string& why, bool& replaced) {
    {
        std::lock_guard lock(factoryMutex);
        replaced = static_cast<bool>(deviceFactory);
        if (replaced) {
            auto device = deviceFactory();
            if (device && device->open(rate)) return device;
            return nullptr;
        }
    }
    return backend::openSystemAudioDevice(rate, why);
}

}  // namespace

std::unique_ptr<AudioDevice> openSystemAudioOutput(int rate) {
    std::string why;
    bool replaced = false;
    return openDevice(rate, why, replaced);
}

std::unique_ptr<AudioDevice> openAudioOutput(int rate, bool* silent) {
    if (silent) *silent = false;
    std::string why;
    bool replaced = false;
    if (auto device = openDevice(rate, why, replaced)) return device;
    if (replaced) return nullptr;
    std::fprintf(stderr, "audio: no output device could be opened (%s); playing on in silence\n", why.c_str());
    if (silent) *silent = true;
    auto device = std::make_unique<SilentAudioDevice>();
    device->open(rate);
    return device;
}

}  // namespace platform
