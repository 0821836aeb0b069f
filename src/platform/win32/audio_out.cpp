#include <windows.h>
#include <mmsystem.h>

#include "platform/backend.h"

namespace platform::backend {
namespace {

// The default wave-out device playing one header that loops (almost) for ever.
class WaveOutDevice : public AudioDevice {
public:
    ~WaveOutDevice() override { close(); }

    bool open(int rate) override {
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 2;
        format.nSamplesPerSec = static_cast<DWORD>(rate);
        format.wBitsPerSample = 16;
        format.nBlockAlign = 4;
        format.nAvgBytesPerSec = static_cast<DWORD>(rate) * 4;
        return waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR;
    }

    void playLooping(const std::int16_t* data, std::uint32_t bytes) override {
        reset();
        header = WAVEHDR{};
        header.lpData = reinterpret_cast<LPSTR>(const_cast<std::int16_t*>(data));
        header.dwBufferLength = bytes;
        header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        header.dwLoops = 0xFFFFFFFFu;
        if (waveOutPrepareHeader(device, &header, sizeof header) != MMSYSERR_NOERROR) return;
        prepared = true;
        waveOutWrite(device, &header, sizeof header);
    }

    std::uint32_t bytePosition() override {
        MMTIME time{};
        time.wType = TIME_BYTES;
        if (waveOutGetPosition(device, &time, sizeof time) != MMSYSERR_NOERROR) return 0;
        // A driver may answer in another format than asked for.
        if (time.wType == TIME_SAMPLES) return time.u.sample * 4u;
        return time.u.cb;
    }

    // The device must stop before the header is released and the buffer freed.
    void reset() override {
        if (device == nullptr) return;
        waveOutReset(device);
        if (prepared) waveOutUnprepareHeader(device, &header, sizeof header);
        prepared = false;
    }

    void close() override {
        if (device == nullptr) return;
        reset();
        waveOutClose(device);
        device = nullptr;
    }

private:
    HWAVEOUT device = nullptr;
    WAVEHDR header{};
    bool prepared = false;
};

}  // namespace

std::unique_ptr<AudioDevice> openSystemAudioDevice(int rate, std::string& why) {
    auto device = std::make_unique<WaveOutDevice>();
    if (device->open(rate)) return device;
    why = waveOutGetNumDevs() == 0 ? "no wave-out device" : "the wave-out device refused 16-bit stereo";
    return nullptr;
}

}  // namespace platform::backend
