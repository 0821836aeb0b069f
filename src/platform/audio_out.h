// The wave-out stand-in: a device that plays one looping buffer of 16-bit stereo PCM over
// and over and reports how many bytes of it have been heard since it started.
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
    // Starts looping over `bytes` bytes of `buffer` (which must outlive the playing), the
    // first time round from byte `startByte` (a whole frame) on.
    virtual void playLooping(const std::int16_t* buffer, std::uint32_t bytes, std::uint32_t startByte = 0) = 0;
    // Bytes heard since playLooping, growing across loops; wraps at 2^32.  A device that
    // keeps audio queued past this point subtracts what it knows is still on the way.
    virtual std::uint32_t bytePosition() = 0;
    // False while a device just opened (or reset) is not yet taking its sound steadily (a
    // sound server may take one piece, then nothing for a second while it settles); the
    // caller keeps its own time until then rather than starting the music into the hole.
    virtual bool warmedUp() { return true; }
    // True once the system has taken the device away (unplugged, sound server gone).
    virtual bool lost() { return false; }
    // False for a device whose position is moved by hand: standing still is then the
    // caller's choice, not a stall.
    virtual bool watchForStalls() const { return true; }
    // Stops at once; the buffer is no longer touched afterwards.
    virtual void reset() = 0;
    virtual void close() = 0;
};

// The default device of the system, or, where none opens, a silent one whose position
// follows platform::clockMs() (one line on standard error says so; `silent` tells).
std::unique_ptr<AudioDevice> openAudioOutput(int rate, bool* silent = nullptr);
// The default device of the system (or of the installed factory) only; null, quietly,
// when none opens.  Used to look for a device again while playing on in silence.
std::unique_ptr<AudioDevice> openSystemAudioOutput(int rate);

// Tests and tools replace the device; an empty factory restores the default.
using AudioDeviceFactory = std::function<std::unique_ptr<AudioDevice>()>;
void setAudioDeviceFactory(AudioDeviceFactory factory);

// A device whose play position is set by hand.
class VirtualAudioDevice : public AudioDevice {
public:
    bool open(int) override { return openResult; }
    void playLooping(const std::int16_t* data, std::uint32_t bytes, std::uint32_t start) override {
        buffer = data;
        bufferBytes = bytes;
        startByte = start;
        playing = true;
    }
    std::uint32_t bytePosition() override { return position.load(); }
    bool lost() override { return gone.load(); }
    bool watchForStalls() const override { return stallWatch; }
    void reset() override { playing = false; }
    void close() override { closed = true; }

    bool openResult = true;
    // Set to let a position that stands still count as a stalled device.
    bool stallWatch = false;
    std::atomic<bool> gone{false};
    std::atomic<std::uint32_t> position{0};
    const std::int16_t* buffer = nullptr;
    std::uint32_t bufferBytes = 0;
    std::uint32_t startByte = 0;
    std::atomic<bool> playing{false};
    bool closed = false;
};

// A device that plays nothing and advances at 4 bytes per frame along the millisecond clock.
class SilentAudioDevice : public AudioDevice {
public:
    bool open(int rate) override;
    void playLooping(const std::int16_t*, std::uint32_t, std::uint32_t) override;
    std::uint32_t bytePosition() override;
    void reset() override;
    void close() override {}

private:
    int rate = 44100;
    std::uint32_t startMs = 0;
    bool running = false;
};

}  // namespace platform
