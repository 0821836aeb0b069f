// 8-bit RGB PNG files with stored (uncompressed) deflate blocks: no compression library,
// and the same picture always gives the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace toolfiles {

// The whole file for a width x height picture given as packed RGB rows, top row first.
std::vector<std::uint8_t> encodePng(int width, int height, const std::uint8_t* rgb);
// Writes encodePng's bytes; false (with the reason on standard error) when the file cannot be written.
bool writePng(const std::string& path, int width, int height, const std::uint8_t* rgb);

struct PngImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // top row first
};
// Reads back what writePng writes (8-bit RGB, no interlace, stored blocks, filter 0 rows).
// False for anything else, or for a damaged file: checksums, lengths and sizes are checked.
bool decodePng(const std::vector<std::uint8_t>& bytes, PngImage& out);
bool readPng(const std::string& path, PngImage& out);

// Whole-file helpers.
bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool readFile(const std::string& path, std::vector<std::uint8_t>& out);

}  // namespace toolfiles
