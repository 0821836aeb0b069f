#include "resources/jpeg_reader.h"

#include <csetjmp>
#include <cstdio>
#include <new>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

#include "platform/file_path.h"

namespace {

// Same bound as for BMPs: nothing we load is anywhere near it.
constexpr unsigned long long maxPixels = 64ull * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// A premature end of the data (of the file, or of a scan's data before its marker) leaves
// the decoder to make up the rest of the picture: that picture is broken.  Other warnings
// (stray bytes before a marker, say) describe damage the decoder steps over whole.
void emitMessage(j_common_ptr cinfo, int level) {
    const int code = cinfo->err->msg_code;
    if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER))
        std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void outputMessage(j_common_ptr) {}

// Plain data only: this is what the decoder below fills in and what survives a longjmp.
struct RawImage {
    unsigned width;
    unsigned height;
    unsigned char* pixels;  // new[]'d width * height * 3 bytes, or null
};

std::uint8_t mul255(unsigned a, unsigned b) { return static_cast<std::uint8_t>((a * b + 127) / 255); }

// The only place that uses setjmp: no object with a destructor lives in this frame, and
// everything the error path must release is reachable through `out` or `cinfo`.
bool decodeStream(std::FILE* file, RawImage* out) {
    jpeg_decompress_struct cinfo{};  // zeroed: destroying it is safe even before create
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.pub.output_message = outputMessage;
    out->pixels = nullptr;
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        delete[] out->pixels;
        out->pixels = nullptr;
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);

    int expected;
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo.out_color_space = JCS_GRAYSCALE;
        expected = 1;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo.out_color_space = JCS_CMYK;
        expected = 4;
        break;
    default:
        cinfo.out_color_space = JCS_RGB;
        expected = 3;
        break;
    }
    if (static_cast<unsigned long long>(cinfo.image_width) * cinfo.image_height > maxPixels) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != expected) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    out->width = cinfo.output_width;
    out->height = cinfo.output_height;
    const unsigned long long rowBytes = 3ull * out->width;
    out->pixels = new (std::nothrow) unsigned char[rowBytes * out->height];
    if (out->pixels == nullptr) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // Scratch scanline owned by the decoder's pools, so the error path frees it too.
    JSAMPARRAY scratch = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                    cinfo.output_width * static_cast<unsigned>(expected), 1);
    // Adobe writes CMYK inverted (0 = full ink); other writers store plain ink amounts.
    const bool inverted = cinfo.saw_Adobe_marker != 0;
    while (cinfo.output_scanline < cinfo.output_height) {
        unsigned char* dst = out->pixels + rowBytes * cinfo.output_scanline;
        JSAMPROW row = expected == 3 ? dst : scratch[0];
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) longjmp(err.jump, 1);
        if (expected == 1) {
            for (unsigned x = 0; x < out->width; ++x) dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = row[x];
        } else if (expected == 4) {
            for (unsigned x = 0; x < out->width; ++x) {
                unsigned c = row[4 * x], m = row[4 * x + 1], y = row[4 * x + 2], k = row[4 * x + 3];
                if (!inverted) {
                    c = 255 - c;
                    m = 255 - m;
                    y = 255 - y;
                    k = 255 - k;
                }
                dst[3 * x] = mul255(c, k);
                dst[3 * x + 1] = mul255(m, k);
                dst[3 * x + 2] = mul255(y, k);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

JpegStatus readJpeg(const std::string& fileName, std::unique_ptr<RgbImage>& image) {
    image.reset();
    std::FILE* file = std::fopen(platform::nativePath(fileName).c_str(), "rb");
    if (file == nullptr) return JpegStatus::Unreadable;
    RawImage raw{0, 0, nullptr};
    bool ok = decodeStream(file, &raw);
    std::fclose(file);
    if (!ok) return JpegStatus::Corrupt;
    image = std::make_unique<RgbImage>();
    image->width = static_cast<std::int32_t>(raw.width);
    image->height = static_cast<std::int32_t>(raw.height);
    image->pixels.reset(raw.pixels);
    return JpegStatus::Ok;
}
