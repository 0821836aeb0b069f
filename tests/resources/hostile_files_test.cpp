#include <gtest/gtest.h>

#include <random>

#include "resources/dib.h"
#include "resources/image_files.h"
#include "resources/jpeg_reader.h"
#include "support/message_recorder.h"

namespace {

// Valid pictures with a few bytes overwritten at random (fixed seed): every outcome must be
// either a sound image or a refusal with one message.  Run under the address sanitizer
// this also proves nothing is read out of bounds.
std::vector<Bytes> mutations(const Bytes& original, int count, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Bytes> out;
    for (int i = 0; i < count; ++i) {
        Bytes b = original;
        int changes = 1 + static_cast<int>(rng() % 4);
        for (int c = 0; c < changes; ++c) {
            std::size_t at = rng() % b.size();
            // Header fields matter most: bias half of the changes to the first 64 bytes.
            if (rng() % 2 == 0) at = rng() % std::min<std::size_t>(64, b.size());
            b[at] = static_cast<std::uint8_t>(rng());
        }
        if (rng() % 5 == 0) b.resize(rng() % b.size());
        out.push_back(std::move(b));
    }
    return out;
}

TEST(HostileFiles, DamagedBmpsLoadSoundlyOrRefuseWithOneMessage) {
    ScratchDir dir;
    std::vector<Bytes> originals;
    BmpLayout l;
    l.width = 5;
    l.height = 3;
    l.pixels = bgrRows({{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {1, 1, 1}, {2, 2, 2}},
                        {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {1, 1, 1}, {2, 2, 2}},
                        {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {1, 1, 1}, {2, 2, 2}}});
    originals.push_back(makeBmp(l));
    BmpLayout p;
    p.bitCount = 8;
    p.colorsUsed = 3;
    p.width = 3;
    p.height = 2;
    p.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    p.pixels = padRows({{0, 1, 2}, {2, 1, 0}});
    originals.push_back(makeBmp(p));
    p.fileHeader = false;
    p.headerSize = 12;
    p.colorsUsed = 0;
    p.palette.resize(256);
    originals.push_back(makeBmp(p));
    BmpLayout r = p;
    r.headerSize = 40;
    r.fileHeader = true;
    r.compression = 1;
    r.pixels = {2, 1, 0, 3, 1, 2, 0, 0, 0, 0, 3, 2, 0, 1};
    originals.push_back(makeBmp(r));

    int loaded = 0, refused = 0;
    std::uint32_t seed = 1;
    // Run-length pictures get fewer: a damaged size field there still loads (the data may
    // stop early), and expanding tens of megapixels takes its time.
    const int counts[] = {200, 200, 200, 40};
    for (std::size_t k = 0; k < originals.size(); ++k) {
        for (const Bytes& bytes : mutations(originals[k], counts[k], seed++)) {
            MessageRecorder messages;
            auto img = loadDib(dir.write("m.bmp", bytes));
            if (img) {
                ++loaded;
                EXPECT_GT(img->width, 0);
                EXPECT_GT(img->height, 0);
                EXPECT_LE(static_cast<std::uint64_t>(img->width) * static_cast<std::uint64_t>(img->height),
                          64ull * 1024 * 1024);
                EXPECT_TRUE(messages.messages.empty());
            } else {
                ++refused;
                EXPECT_EQ(messages.messages.size(), 1u);
            }
        }
    }
    // The mix shows the damage reaches both outcomes.
    EXPECT_GT(loaded, 40);
    EXPECT_GT(refused, 40);
}

TEST(HostileFiles, DamagedJpegsDecodeOrFailCleanly) {
    ScratchDir dir;
    Bytes px;
    for (int i = 0; i < 24 * 16; ++i) px.insert(px.end(), {static_cast<std::uint8_t>(i), 90, 200});
    const Bytes original = makeJpeg(24, 16, JpegKind::Rgb, px);
    int failed = 0;
    for (const Bytes& bytes : mutations(original, 400, 99)) {
        std::unique_ptr<RgbImage> img;
        JpegStatus status = readJpeg(dir.write("m.jpg", bytes), img);
        if (status == JpegStatus::Ok) {
            ASSERT_NE(img, nullptr);
            EXPECT_GT(img->width, 0);
            EXPECT_GT(img->height, 0);
        } else {
            EXPECT_EQ(status, JpegStatus::Corrupt);
            EXPECT_EQ(img, nullptr);
            ++failed;
        }
    }
    EXPECT_GT(failed, 100);
}

}  // namespace
