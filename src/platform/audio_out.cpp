#include "platform/audio_out.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/clock.h"

namespace platform {

namespace {

std::mutex factoryMutex;
AudioDeviceFactory deviceFactory;

class SdlAudioDevice : public AudioDevice {
public:
    ~SdlAudioDevice() override { close(); }

    bool open(int rate) override {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        subsystem = true;
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 1024;  // a power of two, well under one 20 ms block at 44100
        want.callback = &SdlAudioDevice::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device == 0) {
            close();
            return false;
        }
        SDL_PauseAudioDevice(device, 0);
        return true;
    }

    void playLooping(const std::int16_t* data, std::uint32_t bytes) override {
        SDL_LockAudioDevice(device);
        buffer = reinterpret_cast<const std::uint8_t*>(data);
        bufferBytes = bytes;
        cursor = 0;
        played.store(0);
        SDL_UnlockAudioDevice(device);
    }

    std::uint32_t bytePosition() override { return played.load(); }

    void reset() override {
        if (!device) return;
        SDL_LockAudioDevice(device);
        buffer = nullptr;
        bufferBytes = 0;
        SDL_UnlockAudioDevice(device);
    }

    void close() override {
        if (device) {
            SDL_CloseAudioDevice(device);
            device = 0;
        }
        if (subsystem) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            subsystem = false;
        }
    }

private:
    static void callback(void* self, Uint8* stream, int length) {
        static_cast<SdlAudioDevice*>(self)->fill(stream, static_cast<std::uint32_t>(length));
    }

    // Copies from the looping buffer at the play cursor; silence before playing starts.
    void fill(std::uint8_t* out, std::uint32_t length) {
        if (!buffer || bufferBytes == 0) {
            std::memset(out, 0, length);
            return;
        }
        std::uint32_t done = 0;
        while (done < length) {
            const std::uint32_t n = std::min(length - done, bufferBytes - cursor);
            std::memcpy(out + done, buffer + cursor, n);
            done += n;
            cursor += n;
            if (cursor == bufferBytes) cursor = 0;
        }
        played.fetch_add(length);
    }

    SDL_AudioDeviceID device = 0;
    bool subsystem = false;
    const std::uint8_t* buffer = nullptr;
    std::uint32_t bufferBytes = 0;
    std::uint32_t cursor = 0;
    std::atomic<std::uint32_t> played{0};
};

}  // namespace

bool SilentAudioDevice::open(int r) {
    rate = r;
    return true;
}

void SilentAudioDevice::playLooping(const std::int16_t*, std::uint32_t) {
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

std::unique_ptr<AudioDevice> openAudioOutput(int rate) {
    {
        std::lock_guard lock(factoryMutex);
        if (deviceFactory) {
            auto device = deviceFactory();
            if (device && device->open(rate)) return device;
            return nullptr;
        }
    }
    auto device = std::make_unique<SdlAudioDevice>();
    if (device->open(rate)) return device;
    std::fprintf(stderr, "audio: no output device could be opened (%s); playing on in silence\n", SDL_GetError());
    auto silent = std::make_unique<SilentAudioDevice>();
    silent->open(rate);
    return silent;
}

}  // namespace platform
