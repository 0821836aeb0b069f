#include "resources/image_files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

#include <jpeglib.h>

namespace {

void put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

ScratchDir::ScratchDir() {
    // A fresh folder of our own: create_directory says false when the name is taken.
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = std::filesystem::temp_directory_path() / ("velastria-images-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            dir = candidate.string();
            return;
        }
    }
    throw std::runtime_error("no scratch folder could be made");
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

std::string ScratchDir::write(const std::string& name, const Bytes& bytes) const {
    std::string p = path(name);
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return p;
}

Bytes makeBmp(const BmpLayout& l) {
    const bool core = l.headerSize == 12;
    const std::size_t entry = core ? 3 : 4;
    const std::size_t fileHeader = l.fileHeader ? 14 : 0;
    const std::size_t maskBytes = (!core && l.compression == 3) ? 12 : 0;
    const std::size_t tableAt = fileHeader + l.headerSize + maskBytes;
    // A header that claims fewer than 40 bytes still gets room for the fields written below.
    const std::size_t pixelsAt = std::max(tableAt + l.palette.size() * entry, fileHeader + (core ? 12 : 40));
    Bytes b(pixelsAt, 0);
    if (l.fileHeader) {
        b[0] = 'B';
        b[1] = 'M';
        put32(b, 2, static_cast<std::uint32_t>(pixelsAt + l.pixels.size()));
        put32(b, 10, static_cast<std::uint32_t>(pixelsAt));
    }
    const std::size_t h = fileHeader;
    put32(b, h, l.headerSize);
    if (core) {
        put16(b, h + 4, static_cast<std::uint32_t>(l.width));
        put16(b, h + 6, static_cast<std::uint32_t>(l.height));
        put16(b, h + 8, 1);
        put16(b, h + 10, l.bitCount);
    } else {
        put32(b, h + 4, static_cast<std::uint32_t>(l.width));
        put32(b, h + 8, static_cast<std::uint32_t>(l.height));
        put16(b, h + 12, 1);
        put16(b, h + 14, l.bitCount);
        put32(b, h + 16, l.compression);
        put32(b, h + 32, l.colorsUsed);
        for (std::size_t i = 0; i < maskBytes / 4; ++i) put32(b, h + l.headerSize + 4 * i, l.masks[i]);
    }
    for (std::size_t i = 0; i < l.palette.size(); ++i) {
        b[tableAt + i * entry] = l.palette[i][2];
        b[tableAt + i * entry + 1] = l.palette[i][1];
        b[tableAt + i * entry + 2] = l.palette[i][0];
    }
    b.insert(b.end(), l.pixels.begin(), l.pixels.end());
    return b;
}

Bytes padRows(const std::vector<Bytes>& rows) {
    Bytes out;
    for (const Bytes& r : rows) {
        out.insert(out.end(), r.begin(), r.end());
        out.resize(out.size() + (4 - r.size() % 4) % 4, 0xEE);  // filler the reader must skip
    }
    return out;
}

Bytes bgrRows(const std::vector<std::vector<RgbColor>>& rows) {
    std::vector<Bytes> raw;
    for (const auto& row : rows) {
        Bytes r;
        for (const RgbColor& c : row) r.insert(r.end(), {c[2], c[1], c[0]});
        raw.push_back(r);
    }
    return padRows(raw);
}

Bytes makeJpeg(int width, int height, JpegKind kind, const Bytes& pixels) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = kind == JpegKind::Rgb ? 3 : kind == JpegKind::Gray ? 1 : 4;
    cinfo.in_color_space = kind == JpegKind::Rgb ? JCS_RGB : kind == JpegKind::Gray ? JCS_GRAYSCALE : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    for (int i = 0; i < cinfo.num_components; ++i) {
        cinfo.comp_info[i].h_samp_factor = 1;
        cinfo.comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(cinfo.input_components);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + stride * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

Bytes solidRgb(int width, int height, RgbColor c) {
    Bytes out;
    for (int i = 0; i < width * height; ++i) out.insert(out.end(), c.begin(), c.end());
    return out;
}
