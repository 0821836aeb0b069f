// Readers the content tests use to look inside the generated files: a strict 24-bit BMP
// reader and a libjpeg decoder, both giving packed RGB with the picture's top row first.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace contenttest {

struct Picture {
    int width = 0, height = 0;
    bool baseline = false;          // JPEG: sequential DCT (SOF0)
    std::vector<std::uint8_t> rgb;  // top row first
    const std::uint8_t* at(int x, int y) const {
        return rgb.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
    }
};

std::vector<std::uint8_t> readFile(const std::string& path);
// Only what the demo's pictures use: "BM", 40-byte header, 24 bits, uncompressed, bottom-up.
std::optional<Picture> readBmp24(const std::string& path, std::string* why = nullptr);
std::optional<Picture> readJpeg(const std::string& path);

// Runs a tool from build/tools with the given arguments; true when it exits with 0.
bool runTool(const std::string& tool, const std::string& args);
// A fresh empty folder under the system's temporary folder.
std::string freshTempDir(const std::string& tag);

}  // namespace contenttest
