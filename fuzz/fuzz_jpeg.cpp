// JPEG pictures through the decoder wrapper.
#include <cstddef>
#include <cstdint>

#include "fuzz_input_file.h"
#include "platform/message_box.h"
#include "resources/jpeg_reader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::setMessageSink([](const platform::Message&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzInputFile file;
    std::unique_ptr<RgbImage> image;
    const JpegStatus status = readJpeg(file.write(data, size), image);
    if ((status == JpegStatus::Ok) != (image != nullptr)) __builtin_trap();
    if (image) {
        const std::size_t bytes = static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height) * 3;
        unsigned sum = 0;
        for (std::size_t i = 0; i < bytes; ++i) sum += image->pixels[i];
        (void)sum;
    }
    return 0;
}
