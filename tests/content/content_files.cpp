#include "content_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <jpeglib.h>
#include <unistd.h>

#include "support/test_paths.h"

namespace contenttest {

namespace {
std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t o) {
    return static_cast<std::uint32_t>(b[o]) | static_cast<std::uint32_t>(b[o + 1]) << 8 |
           static_cast<std::uint32_t>(b[o + 2]) << 16 | static_cast<std::uint32_t>(b[o + 3]) << 24;
}
std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t o) {
    return static_cast<std::uint16_t>(b[o] | b[o + 1] << 8);
}
}  // namespace

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::optional<Picture> readBmp24(const std::string& path, std::string* why) {
    auto fail = [&](const char* reason) -> std::optional<Picture> {
        if (why) *why = reason;
        return std::nullopt;
    };
    const std::vector<std::uint8_t> b = readFile(path);
    if (b.size() < 54) return fail("shorter than the two headers");
    if (b[0] != 'B' || b[1] != 'M') return fail("no BM signature");
    if (le32(b, 10) != 54) return fail("pixel data not right after the headers");
    if (le32(b, 14) != 40) return fail("information header is not 40 bytes");
    const auto w = static_cast<std::int32_t>(le32(b, 18)), h = static_cast<std::int32_t>(le32(b, 22));
    if (w <= 0 || h <= 0 || w > 8192 || h > 8192) return fail("size out of range");
    if (le16(b, 28) != 24) return fail("not 24 bits per pixel");
    if (le32(b, 30) != 0) return fail("compressed");
    const std::size_t row = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
    if (b.size() != 54 + row * static_cast<std::size_t>(h)) return fail("file size does not match the header");
    if (le32(b, 2) != b.size()) return fail("file size field is wrong");
    Picture p;
    p.width = w;
    p.height = h;
    p.rgb.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    for (int y = 0; y < h; ++y) {
        const std::size_t src = 54 + row * static_cast<std::size_t>(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            std::uint8_t* d = p.rgb.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)) * 3;
            d[0] = b[src + static_cast<std::size_t>(x) * 3 + 2];
            d[1] = b[src + static_cast<std::size_t>(x) * 3 + 1];
            d[2] = b[src + static_cast<std::size_t>(x) * 3];
        }
    }
    return p;
}

std::optional<Picture> readJpeg(const std::string& path) {
    std::vector<std::uint8_t> bytes = readFile(path);
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return std::nullopt;
    Picture p;
    // Baseline means the frame marker is SOF0.
    for (std::size_t i = 2; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && (bytes[i + 1] & 0xF0) == 0xC0 && bytes[i + 1] != 0xC4 && bytes[i + 1] != 0xC8 &&
            bytes[i + 1] != 0xCC) {
            p.baseline = bytes[i + 1] == 0xC0;
            break;
        }
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        return std::nullopt;
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    p.width = static_cast<int>(cinfo.output_width);
    p.height = static_cast<int>(cinfo.output_height);
    p.rgb.resize(static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height) * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = p.rgb.data() + static_cast<std::size_t>(cinfo.output_scanline) * static_cast<std::size_t>(p.width) * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return p;
}

bool runTool(const std::string& tool, const std::string& args) {
    const std::string cmd = std::string(testpaths::toolsDir) + "/" + tool + " " + args + " >/dev/null";
    return std::system(cmd.c_str()) == 0;
}

std::string freshTempDir(const std::string& tag) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("velastria-" + tag + "-" + std::to_string(static_cast<long>(::getpid())));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

}  // namespace contenttest
