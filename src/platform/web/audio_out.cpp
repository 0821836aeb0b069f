#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio_out.h"
#include "platform/backend.h"
#include "platform/web/bridge.h"

namespace platform {

namespace {

std::uint32_t virtualBytes = 0;
int virtualRate = 44100;

// The page's audio context playing the ring.  Its position is what the context has played;
// it never stalls on its own (a context the browser suspends holds the show with it), so it
// is not watched for stalls.
class PageAudioDevice : public AudioDevice {
public:
    bool open(int rate) override { return velastria_audio_open(rate) != 0; }
    void playLooping(const std::int16_t* buffer, std::uint32_t bytes, std::uint32_t startByte) override {
        velastria_audio_play(buffer, bytes, startByte);
    }
    std::uint32_t bytePosition() override {
        // Four bytes a frame; the count wraps at 2^32 like a desktop device's.
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(velastria_audio_played()) * 4u);
    }
    bool lost() override { return velastria_audio_lost() != 0; }
    bool watchForStalls() const override { return false; }
    void reset() override { velastria_audio_stop(); }
    void close() override {}
};

// A test run on virtual time: the frame loop moves the position, exactly as the capture
// tool moves its device, and nothing is heard.
class VirtualTimeDevice : public AudioDevice {
public:
    bool open(int rate) override {
        virtualRate = rate;
        return true;
    }
    void playLooping(const std::int16_t*, std::uint32_t, std::uint32_t) override {}
    std::uint32_t bytePosition() override { return virtualBytes; }
    bool watchForStalls() const override { return false; }
    void reset() override {}
    void close() override {}
};

}  // namespace

void web::setVirtualAudioFrame(std::uint64_t frame, int fps) {
    const std::uint64_t frames = frame * static_cast<std::uint64_t>(virtualRate) / static_cast<std::uint64_t>(fps);
    virtualBytes = static_cast<std::uint32_t>(frames * 4u);  // wraps at 2^32 like a device's count
}

std::unique_ptr<AudioDevice> backend::openSystemAudioDevice(int rate, std::string& why) {
    std::unique_ptr<AudioDevice> device;
    if (velastria_test_virtual_fps() > 0)
        device = std::make_unique<VirtualTimeDevice>();
    else
        device = std::make_unique<PageAudioDevice>();
    if (!device->open(rate)) {
        why = "the page has no running audio context";
        return nullptr;
    }
    return device;
}

}  // namespace platform
