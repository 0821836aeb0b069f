#include "common/wav.h"

#include <cstring>
#include <vector>

namespace toolfiles {

namespace {

void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

void header(std::uint8_t (&h)[44], int rate, std::uint32_t dataBytes) {
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + dataBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);  // PCM
    put16(h + 22, 2);
    put32(h + 24, static_cast<std::uint32_t>(rate));
    put32(h + 28, static_cast<std::uint32_t>(rate) * 4);
    put16(h + 32, 4);
    put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, dataBytes);
}

}  // namespace

WavWriter::~WavWriter() {
    if (file) std::fclose(file);
}

bool WavWriter::open(const std::string& path, int frameRate) {
    name = path;
    rate = frameRate;
    file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        return false;
    }
    std::uint8_t h[44];
    header(h, rate, 0);
    failed = std::fwrite(h, 1, sizeof h, file) != sizeof h;
    frames = 0;
    return !failed;
}

bool WavWriter::append(const std::int16_t* samples, std::size_t count) {
    if (!file || count == 0) return file != nullptr;
    // Little-endian on disk whatever the machine.
    std::vector<std::uint8_t> bytes(count * 4);
    for (std::size_t i = 0; i < count * 2; ++i) put16(&bytes[i * 2], static_cast<std::uint16_t>(samples[i]));
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) failed = true;
    frames += count;
    return !failed;
}

bool WavWriter::close() {
    if (!file) return false;
    // A RIFF file cannot describe more than 4 GiB of data; clamp the sizes rather than wrap them.
    const std::uint64_t bytes = frames * 4;
    const std::uint32_t dataBytes = bytes > 0xFFFFFFFFull - 36 ? 0xFFFFFFFFu - 36 : static_cast<std::uint32_t>(bytes);
    std::uint8_t h[44];
    header(h, rate, dataBytes);
    if (std::fseek(file, 0, SEEK_SET) != 0 || std::fwrite(h, 1, sizeof h, file) != sizeof h) failed = true;
    if (std::fclose(file) != 0) failed = true;
    file = nullptr;
    if (failed) std::fprintf(stderr, "%s: could not be written completely\n", name.c_str());
    return !failed;
}

}  // namespace toolfiles
