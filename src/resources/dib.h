// The BMP reader: files with or without the "BM" file header, turned into packed RGB.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct RgbImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    // width * height * 3 bytes, red, green, blue; rows in the file's storage order
    // (bottom row first for an ordinary bottom-up BMP).
    std::unique_ptr<std::uint8_t[]> pixels;
};

// Null after showing the reason in a message box.
std::unique_ptr<RgbImage> loadDib(const std::string& fileName);
