// BMP pictures, with or without the file header.
#include <cstddef>
#include <cstdint>

#include "fuzz_input_file.h"
#include "platform/message_box.h"
#include "resources/dib.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::setMessageSink([](const platform::Message&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzInputFile file;
    std::unique_ptr<RgbImage> image = loadDib(file.write(data, size));
    if (image) {
        // Touch every pixel so a short buffer shows up as an out-of-bounds read.
        const std::size_t bytes = static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height) * 3;
        unsigned sum = 0;
        for (std::size_t i = 0; i < bytes; ++i) sum += image->pixels[i];
        if (image->width <= 0 || image->height <= 0) __builtin_trap();
        (void)sum;
    }
    return 0;
}
