#include <gtest/gtest.h>

#include <cstdlib>

#include "resources/image_files.h"
#include "resources/jpeg_reader.h"

namespace {

// Quality 100 without subsampling still rounds: allow a few levels per channel.
void expectNear(const std::uint8_t* p, RgbColor c, int tolerance = 4) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(p[i], c[static_cast<std::size_t>(i)], tolerance) << "channel " << i;
}

// A 16 x 16 picture, top half blue and bottom half red (whole 8 x 8 blocks each).
Bytes blueOverRed() {
    Bytes px = solidRgb(16, 8, {0, 0, 255});
    Bytes bottom = solidRgb(16, 8, {255, 0, 0});
    px.insert(px.end(), bottom.begin(), bottom.end());
    return px;
}

TEST(JpegReader, ColourRowsComeTopRowFirst) {
    ScratchDir dir;
    std::unique_ptr<RgbImage> img;
    ASSERT_EQ(readJpeg(dir.write("a.jpg", makeJpeg(16, 16, JpegKind::Rgb, blueOverRed())), img), JpegStatus::Ok);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->width, 16);
    EXPECT_EQ(img->height, 16);
    expectNear(img->pixels.get(), {0, 0, 255});
    expectNear(img->pixels.get() + (16 * 16 - 1) * 3, {255, 0, 0});

    // An odd size that is no multiple of the block size.
    ASSERT_EQ(readJpeg(dir.write("b.jpg", makeJpeg(5, 3, JpegKind::Rgb, solidRgb(5, 3, {10, 200, 90}))), img),
              JpegStatus::Ok);
    EXPECT_EQ(img->width, 5);
    EXPECT_EQ(img->height, 3);
    expectNear(img->pixels.get() + 14 * 3, {10, 200, 90});
}

TEST(JpegReader, GrayAndCmykBecomeRgb) {
    ScratchDir dir;
    std::unique_ptr<RgbImage> img;
    Bytes gray(8 * 8, 200);
    std::fill(gray.begin(), gray.begin() + 8, 40);  // top row darker
    ASSERT_EQ(readJpeg(dir.write("g.jpg", makeJpeg(8, 8, JpegKind::Gray, gray)), img), JpegStatus::Ok);
    expectNear(img->pixels.get(), {40, 40, 40}, 8);
    expectNear(img->pixels.get() + 63 * 3, {200, 200, 200});

    // The compressor marks CMYK files the Adobe way, where a stored 255 means no ink:
    // no cyan ink, full magenta and yellow ink, no black ink is red.
    Bytes cmyk;
    for (int i = 0; i < 64; ++i) cmyk.insert(cmyk.end(), {255, 0, 0, 255});
    ASSERT_EQ(readJpeg(dir.write("c.jpg", makeJpeg(8, 8, JpegKind::Cmyk, cmyk)), img), JpegStatus::Ok);
    expectNear(img->pixels.get() + 27 * 3, {255, 0, 0});
}

TEST(JpegReader, BrokenFilesAreRefusedNotFatal) {
    ScratchDir dir;
    std::unique_ptr<RgbImage> img;
    EXPECT_EQ(readJpeg(dir.path("missing.jpg"), img), JpegStatus::Unreadable);
    EXPECT_EQ(img, nullptr);

    const Bytes good = makeJpeg(16, 16, JpegKind::Rgb, blueOverRed());
    // Premature end of data is only a warning to the decoder; for us it is a broken file.
    for (std::size_t keep : {good.size() - 2, good.size() / 2, std::size_t{200}, std::size_t{3}, std::size_t{0}}) {
        Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(keep));
        EXPECT_EQ(readJpeg(dir.write("cut.jpg", cut), img), JpegStatus::Corrupt) << keep;
        EXPECT_EQ(img, nullptr);
    }
    // Two stray bytes before a marker only draw a warning: the picture decodes whole.
    Bytes stray = good;
    for (std::size_t i = 2; i + 1 < stray.size(); ++i) {
        if (stray[i] == 0xFF && stray[i + 1] == 0xDA) {
            stray.insert(stray.begin() + static_cast<std::ptrdiff_t>(i), {0x12, 0x34});
            break;
        }
    }
    ASSERT_EQ(stray.size(), good.size() + 2);
    ASSERT_EQ(readJpeg(dir.write("stray.jpg", stray), img), JpegStatus::Ok);
    expectNear(img->pixels.get(), {0, 0, 255});
    expectNear(img->pixels.get() + (16 * 16 - 1) * 3, {255, 0, 0});

    // Not a JPEG.
    EXPECT_EQ(readJpeg(dir.write("bmp.jpg", Bytes{'B', 'M', 0, 0, 0, 0, 0, 0}), img), JpegStatus::Corrupt);

    // Garbage in the middle of the entropy-coded data.
    Bytes noisy = good;
    for (std::size_t i = noisy.size() / 2; i < noisy.size() - 2; ++i) noisy[i] = static_cast<std::uint8_t>(i * 37);
    EXPECT_EQ(readJpeg(dir.write("noisy.jpg", noisy), img), JpegStatus::Corrupt);

    // A frame header claiming 65000 x 65000 pixels.
    Bytes huge = good;
    bool patched = false;
    for (std::size_t i = 0; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = 0xFD;  // height
            huge[i + 6] = 0xE8;
            huge[i + 7] = 0xFD;  // width
            huge[i + 8] = 0xE8;
            patched = true;
            break;
        }
    }
    ASSERT_TRUE(patched);
    EXPECT_EQ(readJpeg(dir.write("huge.jpg", huge), img), JpegStatus::Corrupt);
}

}  // namespace
