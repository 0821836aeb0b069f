#include "resources/dib.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <new>

#include "platform/file_path.h"
#include "resources/byte_view.h"
#include "resources/load_report.h"

namespace {

// Anything larger is certainly not one of our textures and would only exhaust memory.
constexpr std::uint64_t maxPixels = 64ull * 1024 * 1024;
constexpr std::uint64_t maxFileBytes = 1ull << 30;

constexpr std::uint32_t compressionRgb = 0;
constexpr std::uint32_t compressionRle8 = 1;
constexpr std::uint32_t compressionRle4 = 2;
constexpr std::uint32_t compressionBitfields = 3;

const char* const unknownFormat = "Unknown DIB file format.";
const char* const conversionError = "Image file conversion error.";
const char* const outOfMemory = "Out of memory.";

void report(const std::string& fileName, const std::string& text) { resources::reportLoadFailure(fileName, text, "Error"); }

enum class ReadStatus { Ok, Unreadable, TooBig };

// The whole file in memory.  An empty file counts as unreadable: there is nothing to map.
ReadStatus readWholeFile(const std::string& fileName, std::unique_ptr<std::uint8_t[]>& data, std::size_t& size) {
    std::FILE* f = std::fopen(platform::nativePath(fileName).c_str(), "rb");
    if (f == nullptr) return ReadStatus::Unreadable;
    ReadStatus status = ReadStatus::Unreadable;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long end = std::ftell(f);
        if (end > 0 && static_cast<std::uint64_t>(end) > maxFileBytes) {
            status = ReadStatus::TooBig;
        } else if (end > 0 && std::fseek(f, 0, SEEK_SET) == 0) {
            size = static_cast<std::size_t>(end);
            data.reset(new (std::nothrow) std::uint8_t[size]);
            if (!data)
                status = ReadStatus::TooBig;
            else if (std::fread(data.get(), 1, size, f) == size)
                status = ReadStatus::Ok;
        }
    }
    std::fclose(f);
    return status;
}

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

// One colour channel of a packed 16- or 32-bit pixel, widened (or narrowed) to 8 bits by
// repeating its top bits, so full intensity stays full.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    bool set(std::uint32_t m) {
        if (m == 0) return false;
        shift = std::countr_zero(m);
        std::uint32_t run = m >> shift;
        if ((run & (run + 1)) != 0) return false;  // not one contiguous run of bits
        mask = m;
        bits = std::popcount(m);
        return true;
    }
    std::uint8_t extract(std::uint32_t pixel) const {
        std::uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
        std::uint32_t wide = 0;
        int filled = 0;
        while (filled < 8) {
            wide = (wide << bits) | v;
            filled += bits;
        }
        return static_cast<std::uint8_t>(wide >> (filled - 8));
    }
};

struct DibHeader {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: rows stored top row first
    std::uint32_t bitCount = 0;
    std::uint32_t compression = compressionRgb;
    std::uint64_t tableEntries = 0;  // as declared; may exceed what the pixels can index
    std::uint32_t entrySize = 4;     // bytes per colour-table entry
    std::uint64_t tableOffset = 0;   // from the start of the file data
    std::uint32_t masks[3] = {0, 0, 0};
};

enum class Outcome { Ok, Unknown, Conversion, Memory };

Outcome parseHeader(const ByteView& file, std::uint64_t infoOffset, DibHeader& h) {
    if (!file.u32(infoOffset, h.headerSize)) return Outcome::Unknown;
    if (h.headerSize == 12) {
        std::uint16_t w, ht, bits;
        if (!file.u16(infoOffset + 4, w) || !file.u16(infoOffset + 6, ht) || !file.u16(infoOffset + 10, bits))
            return Outcome::Unknown;
        h.width = w;
        h.height = ht;
        h.bitCount = bits;
        h.entrySize = 3;
        h.tableEntries = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
        h.tableOffset = infoOffset + 12;
        return Outcome::Ok;
    }
    if (h.headerSize != 40) return Outcome::Unknown;
    std::int32_t w, ht;
    std::uint16_t bits;
    std::uint32_t used;
    if (!file.i32(infoOffset + 4, w) || !file.i32(infoOffset + 8, ht) || !file.u16(infoOffset + 14, bits) ||
        !file.u32(infoOffset + 16, h.compression) || !file.u32(infoOffset + 32, used))
        return Outcome::Unknown;
    h.width = w;
    h.height = ht;
    h.bitCount = bits;
    h.entrySize = 4;
    if (used != 0)
        h.tableEntries = used;
    else
        h.tableEntries = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    h.tableOffset = infoOffset + 40;
    if (h.compression == compressionBitfields) {
        // The three channel masks sit between the header and the colour table.
        for (int i = 0; i < 3; ++i)
            if (!file.u32(infoOffset + 40 + 4u * static_cast<unsigned>(i), h.masks[i])) return Outcome::Conversion;
        h.tableOffset += 12;
    }
    return Outcome::Ok;
}

struct Decoder {
    const DibHeader& h;
    std::array<Rgb, 256> palette{};
    std::uint64_t paletteSize = 0;  // entries actually read; indices beyond show black
    Channel red, green, blue;

    explicit Decoder(const DibHeader& header) : h(header) {}

    Outcome prepare(const ByteView& file) {
        bool indexed = h.bitCount == 1 || h.bitCount == 4 || h.bitCount == 8;
        if (h.compression == compressionRgb) {
            if (!indexed && h.bitCount != 16 && h.bitCount != 24 && h.bitCount != 32) return Outcome::Conversion;
            if (h.bitCount == 16) {
                red.set(0x7C00);
                green.set(0x03E0);
                blue.set(0x001F);
            } else if (h.bitCount == 32) {
                red.set(0x00FF0000);
                green.set(0x0000FF00);
                blue.set(0x000000FF);
            }
        } else if (h.compression == compressionBitfields && h.headerSize == 40) {
            if (h.bitCount != 16 && h.bitCount != 32) return Outcome::Conversion;
            if (!red.set(h.masks[0]) || !green.set(h.masks[1]) || !blue.set(h.masks[2])) return Outcome::Conversion;
        } else if ((h.compression == compressionRle8 && h.bitCount == 8) ||
                   (h.compression == compressionRle4 && h.bitCount == 4)) {
            // Run-length pictures are stored bottom-up only.
            if (h.headerSize != 40 || h.height < 0) return Outcome::Conversion;
        } else {
            // Embedded JPEG/PNG pixels and mismatched encodings are not among the formats we read.
            return Outcome::Conversion;
        }
        if (indexed) {
            std::uint64_t usable = std::min<std::uint64_t>(h.tableEntries, 1u << h.bitCount);
            if (!file.has(h.tableOffset, usable * h.entrySize)) return Outcome::Conversion;
            for (std::uint64_t i = 0; i < usable; ++i) {
                const std::uint8_t* e = file.data() + h.tableOffset + i * h.entrySize;
                palette[i] = Rgb{e[2], e[1], e[0]};
            }
            paletteSize = usable;
        }
        return Outcome::Ok;
    }

    Rgb indexed(std::uint32_t index) const { return index < paletteSize ? palette[index] : Rgb{}; }

    Rgb pixel(const std::uint8_t* row, std::uint64_t x) const {
        switch (h.bitCount) {
        case 1:
            return indexed((row[x >> 3] >> (7 - (x & 7))) & 1u);
        case 4:
            return indexed((x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4));
        case 8:
            return indexed(row[x]);
        case 16: {
            std::uint32_t v = static_cast<std::uint32_t>(row[2 * x] | (row[2 * x + 1] << 8));
            return Rgb{red.extract(v), green.extract(v), blue.extract(v)};
        }
        case 24:
            return Rgb{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
        default: {
            const std::uint8_t* p = row + 4 * x;
            std::uint32_t v = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                              (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
            return Rgb{red.extract(v), green.extract(v), blue.extract(v)};
        }
        }
    }
};

void decodeRows(const ByteView& file, const Decoder& decoder, std::uint64_t pixelOffset, std::uint64_t stride,
                std::uint64_t width, std::uint64_t rows, bool topDown, std::uint8_t* pixels) {
    for (std::uint64_t r = 0; r < rows; ++r) {
        const std::uint8_t* src = file.data() + pixelOffset + r * stride;
        // Output rows always run bottom row first, as an ordinary BMP stores them.
        std::uint8_t* dst = pixels + (topDown ? rows - 1 - r : r) * width * 3;
        for (std::uint64_t x = 0; x < width; ++x) {
            Rgb c = decoder.pixel(src, x);
            dst[3 * x] = c.r;
            dst[3 * x + 1] = c.g;
            dst[3 * x + 2] = c.b;
        }
    }
}

// Expands run-length data into one palette index per pixel, rows bottom first.  Pixels the
// data skips (end-of-line, deltas) keep index 0; runs past the right edge are clipped.  The
// data must end with its end-of-picture mark before the file does.
bool expandRunLength(const ByteView& file, std::uint64_t at, bool fourBit, std::uint64_t width, std::uint64_t rows,
                     std::uint8_t* indices) {
    std::uint64_t x = 0, y = 0;
    auto put = [&](std::uint8_t index) {
        if (x < width && y < rows) indices[y * width + x] = index;
        ++x;
    };
    for (;;) {
        std::uint8_t count, value;
        if (!file.u8(at, count) || !file.u8(at + 1, value)) return false;
        at += 2;
        if (count > 0) {  // a run of one index (or two alternating nibbles)
            for (unsigned i = 0; i < count; ++i)
                put(fourBit ? static_cast<std::uint8_t>((i & 1) ? value & 0x0F : value >> 4) : value);
        } else if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of picture
            return true;
        } else if (value == 2) {  // move right and up
            std::uint8_t dx, dy;
            if (!file.u8(at, dx) || !file.u8(at + 1, dy)) return false;
            at += 2;
            x += dx;
            y += dy;
        } else {  // `value` literal indices, padded to a 16-bit boundary
            std::uint64_t bytes = fourBit ? (value + 1u) / 2 : value;
            if (!file.has(at, bytes)) return false;
            for (unsigned i = 0; i < value; ++i) {
                std::uint8_t b = file.data()[at + (fourBit ? i / 2 : i)];
                put(fourBit ? static_cast<std::uint8_t>((i & 1) ? b & 0x0F : b >> 4) : b);
            }
            at += bytes + (bytes & 1);
        }
    }
}

Outcome decode(const ByteView& file, std::unique_ptr<RgbImage>& image) {
    bool fileHeader = file.size() >= 2 && file.data()[0] == 'B' && file.data()[1] == 'M';
    std::uint64_t infoOffset = fileHeader ? 14 : 0;
    DibHeader h;
    Outcome o = parseHeader(file, infoOffset, h);
    if (o != Outcome::Ok) return o;

    if (h.width <= 0 || h.height == 0) return Outcome::Conversion;
    const bool topDown = h.height < 0;
    const std::uint64_t width = static_cast<std::uint64_t>(h.width);
    const std::uint64_t rows = static_cast<std::uint64_t>(topDown ? -h.height : h.height);
    if (width * rows > maxPixels) return Outcome::Memory;

    Decoder decoder(h);
    o = decoder.prepare(file);
    if (o != Outcome::Ok) return o;

    std::uint64_t pixelOffset;
    if (fileHeader) {
        std::uint32_t offBits;
        if (!file.u32(10, offBits)) return Outcome::Conversion;
        pixelOffset = offBits;
    } else {
        pixelOffset = h.tableOffset + h.tableEntries * h.entrySize;
    }
    const bool runLength = h.compression == compressionRle8 || h.compression == compressionRle4;
    const std::uint64_t stride = ((width * h.bitCount + 31) / 32) * 4;
    if (!runLength && !file.has(pixelOffset, stride * rows)) return Outcome::Conversion;  // truncated pixels

    std::unique_ptr<std::uint8_t[]> pixels(new (std::nothrow) std::uint8_t[width * rows * 3]);
    if (!pixels) return Outcome::Memory;
    if (runLength) {
        std::unique_ptr<std::uint8_t[]> indices(new (std::nothrow) std::uint8_t[width * rows]());
        if (!indices) return Outcome::Memory;
        if (!expandRunLength(file, pixelOffset, h.compression == compressionRle4, width, rows, indices.get()))
            return Outcome::Conversion;
        for (std::uint64_t i = 0; i < width * rows; ++i) {
            Rgb c = decoder.indexed(indices[i]);
            pixels[3 * i] = c.r;
            pixels[3 * i + 1] = c.g;
            pixels[3 * i + 2] = c.b;
        }
    } else {
        decodeRows(file, decoder, pixelOffset, stride, width, rows, topDown, pixels.get());
    }
    image = std::make_unique<RgbImage>();
    image->width = static_cast<std::int32_t>(width);
    image->height = static_cast<std::int32_t>(rows);
    image->pixels = std::move(pixels);
    return Outcome::Ok;
}

}  // namespace

std::unique_ptr<RgbImage> loadDib(const std::string& fileName) {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;
    switch (readWholeFile(fileName, data, size)) {
    case ReadStatus::Ok:
        break;
    case ReadStatus::Unreadable: {
        report(fileName, "Failed to open DIB file " + fileName + ".\n");
        return nullptr;
    }
    case ReadStatus::TooBig:
        report(fileName, outOfMemory);
        return nullptr;
    }

    std::unique_ptr<RgbImage> image;
    switch (decode(ByteView(data.get(), size), image)) {
    case Outcome::Ok:
        return image;
    case Outcome::Unknown:
        report(fileName, unknownFormat);
        break;
    case Outcome::Conversion:
        report(fileName, conversionError);
        break;
    case Outcome::Memory:
        report(fileName, outOfMemory);
        break;
    }
    return nullptr;
}
