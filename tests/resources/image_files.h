// Writers for the picture files the loader tests read: BMPs with any header, bit depth
// and palette, and JPEGs through the compressor, in a scratch folder per test.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;
using RgbColor = std::array<std::uint8_t, 3>;

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string write(const std::string& name, const Bytes& bytes) const;

private:
    std::filesystem::path dir;
};

struct BmpLayout {
    std::uint32_t headerSize = 40;  // 12, 40, 108, 124...
    std::int32_t width = 1;
    std::int32_t height = 1;  // negative: top-down
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<RgbColor> palette;  // written as the colour table (3 or 4 bytes an entry)
    std::array<std::uint32_t, 3> masks{};  // written after a 40-byte header when compression is 3
    bool fileHeader = true;
    Bytes pixels;  // stored rows, padding included
};

Bytes makeBmp(const BmpLayout& layout);
// Stored rows (each padded to 4 bytes) from unpadded row bytes.
Bytes padRows(const std::vector<Bytes>& rows);
// 24-bit stored rows for RGB pixels given in storage order (bottom row first for bottom-up).
Bytes bgrRows(const std::vector<std::vector<RgbColor>>& rows);

enum class JpegKind { Rgb, Gray, Cmyk };
// Pixels are width * height * components bytes, top row first; quality 100, no subsampling.
Bytes makeJpeg(int width, int height, JpegKind kind, const Bytes& pixels);
Bytes solidRgb(int width, int height, RgbColor c);
