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

    // The first time round plays the ring from `startByte` in a header of its own; the
    // looping header that follows plays it whole.
    void playLooping(const std::int16_t* data, std::uint32_t bytes, std::uint32_t startByte) override {
        reset();
        failed = false;
        lastBytes = 0;
        auto* base = reinterpret_cast<LPSTR>(const_cast<std::int16_t*>(data));
        startByte = bytes > 0 ? startByte % bytes / 4u * 4u : 0;
        if (startByte > 0) {
            lead = WAVEHDR{};
            lead.lpData = base + startByte;
            lead.dwBufferLength = bytes - startByte;
            if (waveOutPrepareHeader(device, &lead, sizeof lead) != MMSYSERR_NOERROR) return;
            leadPrepared = true;
        }
        header = WAVEHDR{};
        header.lpData = base;
        header.dwBufferLength = bytes;
        header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        header.dwLoops = 0xFFFFFFFFu;
        if (waveOutPrepareHeader(device, &header, sizeof header) != MMSYSERR_NOERROR) return;
        prepared = true;
        if (leadPrepared) waveOutWrite(device, &lead, sizeof lead);
        waveOutWrite(device, &header, sizeof header);
    }

    // A failed query keeps the last position and marks the device lost: read as 0 it
    // would be a jump back a whole ring, then a position that never moves again.
    std::uint32_t bytePosition() override {
        MMTIME time{};
        time.wType = TIME_BYTES;
        if (failed || waveOutGetPosition(device, &time, sizeof time) != MMSYSERR_NOERROR) {
            failed = true;
            return lastBytes;
        }
        // A driver may answer in another format than asked for.
        lastBytes = time.wType == TIME_SAMPLES ? time.u.sample * 4u : time.u.cb;
        return lastBytes;
    }

    bool lost() override { return failed; }

    // The device must stop before the headers are released and the buffer freed.
    void reset() override {
        if (device == nullptr) return;
        waveOutReset(device);
        if (leadPrepared) waveOutUnprepareHeader(device, &lead, sizeof lead);
        if (prepared) waveOutUnprepareHeader(device, &header, sizeof header);
        leadPrepared = prepared = false;
    }

    void close() override {
        if (device == nullptr) return;
        reset();
        waveOutClose(device);
        device = nullptr;
    }

private:
    HWAVEOUT device = nullptr;
    WAVEHDR lead{};
    WAVEHDR header{};
    bool leadPrepared = false;
    bool prepared = false;
    bool failed = false;
    std::uint32_t lastBytes = 0;
};

}  // namespace

std::unique_ptr<AudioDevice> openSystemAudioDevice(int rate, std::string& why) {
    auto device = std::make_unique<WaveOutDevice>();
    if (device->open(rate)) return device;
    why = waveOutGetNumDevs() == 0 ? "no wave-out device" : "the wave-out device refused 16-bit stereo";
    return nullptr;
}

}  // namespace platform::backend
