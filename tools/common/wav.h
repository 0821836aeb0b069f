// A 16-bit stereo PCM WAV file written as the audio arrives; the sizes in the header are
// filled in when it is closed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace toolfiles {

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // False (reason on standard error) when the file cannot be created.
    bool open(const std::string& path, int rate);
    // Interleaved left/right samples, `frames` frames.
    bool append(const std::int16_t* samples, std::size_t frames);
    // Writes the final sizes and closes; false when anything failed along the way.
    bool close();
    bool isOpen() const { return file != nullptr; }
    std::uint64_t framesWritten() const { return frames; }

private:
    std::FILE* file = nullptr;
    std::string name;
    std::uint64_t frames = 0;
    int rate = 44100;
    bool failed = false;
};

}  // namespace toolfiles
