#include "writers.h"

#include "common/png.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace texgen {

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
}  // namespace

bool writeIco(const std::string& path, const std::vector<Image>& sizes) {
    // Each entry is a bottom-up 32-bit DIB whose header counts the colour rows and the
    // transparency mask rows together (twice the height); alpha carries the shape, so the
    // mask is all zero.
    std::vector<std::vector<std::uint8_t>> entries;
    for (const Image& img : sizes) {
        const int w = img.width(), h = img.height();
        if (w != h || w < 1 || w > 256) {
            std::fprintf(stderr, "texgen: an icon picture must be square, 1 to 256 pixels\n");
            return false;
        }
        const std::uint32_t maskRow = ((static_cast<std::uint32_t>(w) + 31) / 32) * 4;
        const std::uint32_t pixelBytes = static_cast<std::uint32_t>(w * h) * 4;
        std::vector<std::uint8_t> e;
        put32(e, 40);
        put32(e, static_cast<std::uint32_t>(w));
        put32(e, static_cast<std::uint32_t>(h) * 2);
        put16(e, 1);
        put16(e, 32);
        put32(e, 0);
        put32(e, pixelBytes + maskRow * static_cast<std::uint32_t>(h));
        for (int i = 0; i < 4; ++i) put32(e, 0);
        const std::vector<std::uint8_t> rgb = img.toBytes();
        for (int y = h - 1; y >= 0; --y)
            for (int x = 0; x < w; ++x) {
                const std::size_t p = (static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)) * 3;
                e.push_back(rgb[p + 2]);
                e.push_back(rgb[p + 1]);
                e.push_back(rgb[p]);
                e.push_back(255);
            }
        e.resize(e.size() + maskRow * static_cast<std::uint32_t>(h), 0);
        entries.push_back(std::move(e));
    }
    std::vector<std::uint8_t> out;
    put16(out, 0);
    put16(out, 1);  // icon
    put16(out, static_cast<std::uint32_t>(entries.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int w = sizes[i].width();
        out.push_back(static_cast<std::uint8_t>(w == 256 ? 0 : w));  // 0 stands for 256
        out.push_back(static_cast<std::uint8_t>(w == 256 ? 0 : w));
        out.push_back(0);  // no palette
        out.push_back(0);
        put16(out, 1);
        put16(out, 32);
        put32(out, static_cast<std::uint32_t>(entries[i].size()));
        put32(out, offset);
        offset += static_cast<std::uint32_t>(entries[i].size());
    }
    for (const auto& e : entries) out.insert(out.end(), e.begin(), e.end());
    return toolfiles::writeFile(path, out);
}

bool writeBmp(const std::string& path, const Image& img) {
    const int w = img.width(), h = img.height();
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(w) * 3 + 3) & ~3u;
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(h);
    std::vector<std::uint8_t> out;
    out.reserve(54 + imageBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + imageBytes);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(w));
    put32(out, static_cast<std::uint32_t>(h));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);  // uncompressed
    put32(out, imageBytes);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    const std::vector<std::uint8_t> rgb = img.toBytes();
    for (int y = h - 1; y >= 0; --y) {
        const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) * 3;
        for (int x = 0; x < w; ++x) {
            const std::size_t p = row + static_cast<std::size_t>(x) * 3;
            out.push_back(rgb[p + 2]);
            out.push_back(rgb[p + 1]);
            out.push_back(rgb[p]);
        }
        for (std::uint32_t pad = static_cast<std::uint32_t>(w) * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    return toolfiles::writeFile(path, out);
}

bool writeJpeg(const std::string& path, const Image& img, int quality, bool fullChroma) {
    // Compress into memory first so a failure never leaves a truncated file.
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(img.width());
    cinfo.image_height = static_cast<JDIMENSION>(img.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = TRUE;
    if (fullChroma) {
        cinfo.comp_info[0].h_samp_factor = 1;
        cinfo.comp_info[0].v_samp_factor = 1;
    }
    cinfo.dct_method = JDCT_ISLOW;  // the exact integer transform: same bytes on every machine
    jpeg_start_compress(&cinfo, TRUE);
    const std::vector<std::uint8_t> rgb = img.toBytes();
    const std::size_t stride = static_cast<std::size_t>(img.width()) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return toolfiles::writeFile(path, bytes);
}

bool writePng(const std::string& path, const Image& img) {
    const std::vector<std::uint8_t> rgb = img.toBytes();
    return toolfiles::writePng(path, img.width(), img.height(), rgb.data());
}

}  // namespace texgen
