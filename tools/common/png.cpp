#include "common/png.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

namespace toolfiles {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void put16le(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32be(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}
std::uint32_t get32be(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t n) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = ~0u;
    for (std::size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t adler32(const std::vector<std::uint8_t>& data) {
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t v : data) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void chunk(std::vector<std::uint8_t>& out, const char type[5], const std::vector<std::uint8_t>& data) {
    put32be(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32be(out, crc32(out.data() + start, out.size() - start));
}

constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

}  // namespace

std::vector<std::uint8_t> encodePng(int width, int height, const std::uint8_t* rgb) {
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    std::vector<std::uint8_t> raw;  // filter byte 0, then the row
    raw.reserve(static_cast<std::size_t>(height) * (stride + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        const std::uint8_t* row = rgb + static_cast<std::size_t>(y) * stride;
        raw.insert(raw.end(), row, row + stride);
    }
    std::vector<std::uint8_t> z{0x78, 0x01};
    std::size_t pos = 0;
    do {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
        z.push_back(pos + n == raw.size() ? 1 : 0);
        put16le(z, static_cast<std::uint32_t>(n));
        put16le(z, static_cast<std::uint32_t>(~n & 0xFFFF));
        z.insert(z.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + n));
        pos += n;
    } while (pos < raw.size());
    put32be(z, adler32(raw));

    std::vector<std::uint8_t> out(signature, signature + 8);
    std::vector<std::uint8_t> ihdr;
    put32be(ihdr, static_cast<std::uint32_t>(width));
    put32be(ihdr, static_cast<std::uint32_t>(height));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", {});
    return out;
}

bool writePng(const std::string& path, int width, int height, const std::uint8_t* rgb) {
    return writeFile(path, encodePng(width, height, rgb));
}

bool decodePng(const std::vector<std::uint8_t>& bytes, PngImage& out) {
    if (bytes.size() < 8 || !std::equal(signature, signature + 8, bytes.begin())) return false;
    std::size_t pos = 8;
    std::vector<std::uint8_t> z;
    std::uint32_t width = 0, height = 0;
    bool header = false, end = false;
    while (!end) {
        if (bytes.size() - pos < 12) return false;
        const std::uint32_t length = get32be(&bytes[pos]);
        if (length > bytes.size() - pos - 12) return false;
        const std::uint8_t* type = &bytes[pos + 4];
        const std::uint8_t* data = &bytes[pos + 8];
        if (crc32(type, length + 4) != get32be(data + length)) return false;
        const std::string name(type, type + 4);
        if (name == "IHDR") {
            if (length != 13) return false;
            width = get32be(data);
            height = get32be(data + 4);
            if (data[8] != 8 || data[9] != 2 || data[10] != 0 || data[11] != 0 || data[12] != 0) return false;
            if (width == 0 || height == 0 || width > 16384 || height > 16384) return false;
            header = true;
        } else if (name == "IDAT") {
            z.insert(z.end(), data, data + length);
        } else if (name == "IEND") {
            end = true;
        }
        pos += 12 + length;
    }
    if (!header || z.size() < 6 || z[0] != 0x78) return false;
    std::vector<std::uint8_t> raw;
    std::size_t zp = 2;
    for (bool last = false; !last;) {
        if (z.size() - zp < 5) return false;
        if ((z[zp] & 0x06) != 0) return false;  // only stored blocks
        last = (z[zp] & 1) != 0;
        const std::uint32_t n = z[zp + 1] | static_cast<std::uint32_t>(z[zp + 2]) << 8;
        const std::uint32_t nn = z[zp + 3] | static_cast<std::uint32_t>(z[zp + 4]) << 8;
        if ((n ^ 0xFFFF) != nn || n > z.size() - zp - 5) return false;
        raw.insert(raw.end(), z.begin() + static_cast<long>(zp + 5), z.begin() + static_cast<long>(zp + 5 + n));
        zp += 5 + n;
    }
    if (z.size() - zp != 4 || get32be(&z[zp]) != adler32(raw)) return false;
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    if (raw.size() != static_cast<std::size_t>(height) * (stride + 1)) return false;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.rgb.clear();
    out.rgb.reserve(stride * height);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::size_t row = y * (stride + 1);
        if (raw[row] != 0) return false;
        out.rgb.insert(out.rgb.end(), raw.begin() + static_cast<long>(row + 1),
                       raw.begin() + static_cast<long>(row + 1 + stride));
    }
    return true;
}

bool readPng(const std::string& path, PngImage& out) {
    std::vector<std::uint8_t> bytes;
    return readFile(path, bytes) && decodePng(bytes, out);
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    FilePtr f(std::fopen(path.c_str(), "wb"));
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size() || std::fclose(f.release()) != 0) {
        std::perror(path.c_str());
        return false;
    }
    return true;
}

bool readFile(const std::string& path, std::vector<std::uint8_t>& out) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) return false;
    out.clear();
    std::uint8_t buffer[65536];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, f.get());
        out.insert(out.end(), buffer, buffer + n);
        if (n < sizeof buffer) break;
    }
    return std::ferror(f.get()) == 0;
}

}  // namespace toolfiles
