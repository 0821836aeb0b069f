#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/backend.h"

namespace platform::backend {

namespace {

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

std::unique_ptr<AudioDevice> openSystemAudioDevice(int rate, std::string& why) {
    auto device = std::make_unique<SdlAudioDevice>();
    if (device->open(rate)) return device;
    why = SDL_GetError();
    return nullptr;
}

}  // namespace platform::backend
