// The wave-out stand-in: a device that plays one looping buffer of 16-bit stereo PCM over
// and over and reports how many bytes it has handed to the speakers since it started.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    // 16-bit stereo at `rate` frames per second.
    virtual bool open(int rate) = 0;
    // Starts looping over `bytes` bytes of `buffer` (which must outlive the playing).
    virtual void playLooping(const std::int16_t* buffer, std::uint32_t bytes) = 0;
    // Bytes played since playLooping, growing across loops; wraps at 2^32.
    virtual std::uint32_t bytePosition() = 0;
    // Stops at once; the buffer is no longer touched afterwards.
    virtual void reset() = 0;
    virtual void close() = 0;
};

// The default device of the system, or, where none opens, a silent one whose position
// follows platform::clockMs() (one line on standard error says so).
std::unique_ptr<AudioDevice> openAudioOutput(int rate);

// Tests and tools replace the device; an empty factory restores the default.
using AudioDeviceFactory = std::function<std::unique_ptr<AudioDevice>()>;
void setAudioDeviceFactory(AudioDeviceFactory factory);

// A device whose play position is set by hand.
class VirtualAudioDevice : public AudioDevice {
public:
    bool open(int) override { return openResult; }
    void playLooping(const std::int16_t* data, std::uint32_t bytes) override {
        buffer = data;
        bufferBytes = bytes;
        playing = true;
    }
    std::uint32_t bytePosition() override { return position.load(); }
    void reset() override { playing = false; }
    void close() override { closed = true; }

    bool openResult = true;
    std::atomic<std::uint32_t> position{0};
    const std::int16_t* buffer = nullptr;
    std::uint32_t bufferBytes = 0;
    bool playing = false;
    bool closed = false;
};

// A device that plays nothing and advances at 4 bytes per frame along the millisecond clock.
class SilentAudioDevice : public AudioDevice {
public:
    bool open(int rate) override;
    void playLooping(const std::int16_t*, std::uint32_t) override;
    std::uint32_t bytePosition() override;
    void reset() override;
    void close() override {}

private:
    int rate = 44100;
    std::uint32_t startMs = 0;
    bool running = false;
};

}  // namespace platform
