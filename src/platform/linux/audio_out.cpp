#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/backend.h"
#include "platform/clock.h"

namespace platform::backend {

namespace {

// Frames per SDL buffer (about 93 ms at 44100): SDL's own thread refills it, and asks the
// sound server to hold as much again, so one busy moment of a shared two-core machine no
// longer empties what is queued past the ring, as it did with 1024 frames.
constexpr Uint16 deviceFrames = 4096;

// SDL's audio side, started once and kept for the life of the process.  Restarting it is
// what a lost device would otherwise call for, but SDL 2.26 crashes while starting it
// against a sound server that has no output at that moment (as while a removed sink is
// being replaced), and a device opened anew connects to the server afresh anyway.
bool audioSubsystem() {
    static std::mutex mutex;
    static bool up = false;
    std::lock_guard lock(mutex);
    if (!up) up = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    return up;
}

class SdlAudioDevice : public AudioDevice {
public:
    ~SdlAudioDevice() override { close(); }

    bool open(int rate) override {
        // SDL's audio thread asks for real-time scheduling (through RTKit where the system
        // offers it, so no root is needed) rather than only a higher nice level.
        SDL_SetHint(SDL_HINT_THREAD_FORCE_REALTIME_TIME_CRITICAL, "1");
        if (!audioSubsystem()) return false;
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = deviceFrames;
        want.callback = &SdlAudioDevice::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device == 0) {
            close();
            return false;
        }
        bytesPerSecond = static_cast<std::uint64_t>(rate) * 4u;
        SDL_PauseAudioDevice(device, 0);
        return true;
    }

    void playLooping(const std::int16_t* data, std::uint32_t bytes, std::uint32_t startByte) override {
        SDL_LockAudioDevice(device);
        buffer = reinterpret_cast<const std::uint8_t*>(data);
        bufferBytes = bytes;
        cursor = bytes > 0 ? startByte % bytes / 4u * 4u : 0;
        {
            std::lock_guard lock(countMutex);
            handed = 0;
            reported = 0;
            lastPiece = 0;
            handedAtMs = clockMs();
        }
        SDL_UnlockAudioDevice(device);
    }

    // What is heard lags what has been handed over: at each callback SDL starts writing
    // the new piece while the sound server plays the one before, and SDL asks the server
    // to hold one piece more (servers grant less when they can; half of it is counted).
    // From there the ear moves on with the clock until the next callback.  The picture
    // then follows the music that sounds, not the music handed to SDL a buffer earlier.
    std::uint32_t bytePosition() override {
        std::lock_guard lock(countMutex);
        const std::uint32_t queued = lastPiece + lastPiece / 2 / 4 * 4;
        const std::uint64_t since = static_cast<std::uint32_t>(clockMs() - handedAtMs) * bytesPerSecond / 1000u / 4u * 4u;
        const std::int64_t heard = static_cast<std::int64_t>(handed) - queued + static_cast<std::int64_t>(std::min<std::uint64_t>(since, lastPiece));
        // Never back: a late callback must not take back what the clock already gave.
        if (heard > reported) reported = heard;
        return static_cast<std::uint32_t>(reported);
    }

    // A sound server may take the first piece, then nothing for a second while it settles;
    // by the fourth piece of silence (since opening, or since reset) it takes them steadily.
    bool warmedUp() override { return silentPieces.load() >= 4; }

    // SDL marks a device it has lost (unplugged, sound server gone) as stopped, and then
    // keeps calling back on a timer of its own, so the position alone would not tell.
    bool lost() override { return device != 0 && SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_STOPPED; }

    void reset() override {
        if (!device) return;
        SDL_LockAudioDevice(device);
        buffer = nullptr;
        bufferBytes = 0;
        silentPieces = 0;  // warmed up again only once it takes pieces again
        SDL_UnlockAudioDevice(device);
    }

    void close() override {
        if (device) {
            SDL_CloseAudioDevice(device);
            device = 0;
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
            ++silentPieces;
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
        std::lock_guard lock(countMutex);
        handed += length;
        lastPiece = length;
        handedAtMs = clockMs();
    }

    SDL_AudioDeviceID device = 0;
    const std::uint8_t* buffer = nullptr;
    std::uint32_t bufferBytes = 0;
    std::uint32_t cursor = 0;
    std::uint64_t bytesPerSecond = 44100u * 4u;
    std::atomic<int> silentPieces{0};
    std::mutex countMutex;  // the three below change together in SDL's thread
    std::uint64_t handed = 0;
    std::int64_t reported = 0;
    std::uint32_t lastPiece = 0;
    std::uint32_t handedAtMs = 0;
};

}  // namespace

std::unique_ptr<AudioDevice> openSystemAudioDevice(int rate, std::string& why) {
    auto device = std::make_unique<SdlAudioDevice>();
    if (device->open(rate)) return device;
    why = SDL_GetError();
    return nullptr;
}

}  // namespace platform::backend
