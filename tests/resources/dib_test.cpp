#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "resources/dib.h"
#include "resources/image_files.h"
#include "support/message_recorder.h"

namespace {

const RgbColor red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255}, black{0, 0, 0};

RgbColor at(const RgbImage& img, int x, int row) {
    const std::uint8_t* p = img.pixels.get() + (static_cast<std::size_t>(row) * img.width + x) * 3;
    return {p[0], p[1], p[2]};
}

class DibTest : public ::testing::Test {
protected:
    std::unique_ptr<RgbImage> load(const BmpLayout& layout, const char* name = "t.bmp") {
        return loadDib(dir.write(name, makeBmp(layout)));
    }
    // Expects a refusal with exactly this one message.
    void expectRefused(const std::string& file, const std::string& text) {
        messages.messages.clear();
        EXPECT_EQ(loadDib(file), nullptr);
        ASSERT_EQ(messages.messages.size(), 1u) << text;
        EXPECT_EQ(messages.messages[0].text, text);
        EXPECT_EQ(messages.messages[0].caption, "Error");
    }
    void expectRefused(const BmpLayout& layout, const std::string& text) {
        expectRefused(dir.write("bad.bmp", makeBmp(layout)), text);
    }

    ScratchDir dir;
    MessageRecorder messages;
};

TEST_F(DibTest, TwentyFourBitRowsKeepStorageOrderAndDropFiller) {
    // 4 x 2, bottom row red, top row blue: stored bottom row first.
    BmpLayout l;
    l.width = 4;
    l.height = 2;
    l.pixels = bgrRows({{red, red, red, red}, {blue, blue, blue, blue}});
    auto img = load(l);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->width, 4);
    EXPECT_EQ(img->height, 2);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(at(*img, x, 0), red);
        EXPECT_EQ(at(*img, x, 1), blue);
    }

    // Width 3: 9 bytes of pixels and 3 filler bytes per stored row, none in the result.
    l.width = 3;
    l.height = 2;
    l.pixels = bgrRows({{red, green, blue}, {white, black, RgbColor{1, 2, 3}}});
    ASSERT_EQ(l.pixels.size(), 24u);
    img = load(l);
    ASSERT_NE(img, nullptr);
    const std::uint8_t expected[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 1, 2, 3};
    EXPECT_EQ(0, std::memcmp(img->pixels.get(), expected, sizeof expected));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(DibTest, TopDownRowsComeOutBottomRowFirst) {
    BmpLayout l;
    l.width = 2;
    l.height = -3;  // stored top row first
    l.pixels = bgrRows({{red, red}, {green, green}, {blue, white}});
    auto img = load(l);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->height, 3);
    EXPECT_EQ(at(*img, 0, 0), blue);
    EXPECT_EQ(at(*img, 1, 0), white);
    EXPECT_EQ(at(*img, 0, 1), green);
    EXPECT_EQ(at(*img, 1, 2), red);
}

TEST_F(DibTest, EightBitPaletteSizeFollowsColoursUsed) {
    // Colours-used 0: a full 256-entry table, index 255 is its last entry.
    BmpLayout l;
    l.bitCount = 8;
    l.width = 3;
    l.height = 1;
    l.palette.assign(256, RgbColor{9, 9, 9});
    l.palette[0] = red;
    l.palette[255] = blue;
    l.pixels = padRows({{0, 255, 7}});
    auto img = load(l);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(at(*img, 0, 0), red);
    EXPECT_EQ(at(*img, 1, 0), blue);
    EXPECT_EQ(at(*img, 2, 0), (RgbColor{9, 9, 9}));

    // Colours-used 17, and no file header: the pixels start right after 17 entries.
    l.fileHeader = false;
    l.colorsUsed = 17;
    l.palette.assign(17, green);
    l.palette[16] = white;
    l.pixels = padRows({{16, 0, 200}});
    img = load(l);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(at(*img, 0, 0), white);
    EXPECT_EQ(at(*img, 1, 0), green);
    EXPECT_EQ(at(*img, 2, 0), black);  // beyond the table: black, never a read past it
}

TEST_F(DibTest, FourAndOneBitPixelsWithCoreAndWindowsHeaders) {
    std::vector<RgbColor> sixteen;
    for (std::uint8_t i = 0; i < 16; ++i) sixteen.push_back(RgbColor{static_cast<std::uint8_t>(i * 16), i, 0});
    for (bool fileHeader : {true, false}) {
        for (std::uint32_t header : {12u, 40u}) {
            SCOPED_TRACE(testing::Message() << "header " << header << " file header " << fileHeader);
            BmpLayout l;
            l.headerSize = header;
            l.fileHeader = fileHeader;
            l.bitCount = 4;
            l.width = 5;  // odd: the last byte holds one pixel
            l.height = 2;
            l.palette = sixteen;
            l.pixels = padRows({{0x01, 0x23, 0x40}, {0xFE, 0xDC, 0xB0}});
            auto img = load(l);
            ASSERT_NE(img, nullptr);
            EXPECT_EQ(img->width, 5);
            for (int x = 0; x < 5; ++x) {
                EXPECT_EQ(at(*img, x, 0), sixteen[static_cast<std::size_t>(x)]);
                EXPECT_EQ(at(*img, x, 1), sixteen[static_cast<std::size_t>(15 - x)]);
            }
        }
    }

    BmpLayout mono;
    mono.bitCount = 1;
    mono.width = 10;
    mono.height = 1;
    mono.palette = {black, white};
    mono.pixels = padRows({{0b10110000, 0b01000000}});
    auto img = load(mono);
    ASSERT_NE(img, nullptr);
    const RgbColor expected[10] = {white, black, white, white, black, black, black, black, black, white};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(at(*img, x, 0), expected[x]) << x;
}

TEST_F(DibTest, SixteenAndThirtyTwoBitPixelsWithDefaultAndExplicitMasks) {
    BmpLayout l;
    l.width = 3;
    l.height = 1;
    l.bitCount = 16;  // 5-5-5
    l.pixels = padRows({{0x00, 0x7C, 0xE0, 0x03, 0x10, 0x42}});
    auto img = load(l);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(at(*img, 0, 0), red);
    EXPECT_EQ(at(*img, 1, 0), green);
    EXPECT_EQ(at(*img, 2, 0), (RgbColor{132, 132, 132}));  // 16 of 31 on each channel

    l.compression = 3;  // 5-6-5
    l.masks = {0xF800, 0x07E0, 0x001F};
    l.pixels = padRows({{0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00}});
    img = load(l);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(at(*img, 0, 0), red);
    EXPECT_EQ(at(*img, 1, 0), green);
    EXPECT_EQ(at(*img, 2, 0), blue);

    BmpLayout x;
    x.width = 2;
    x.height = 1;
    x.bitCount = 32;
    x.pixels = {0x30, 0x20, 0x10, 0xFF, 0x03, 0x02, 0x01, 0x00};  // B, G, R, unused
    img = load(x);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(at(*img, 0, 0), (RgbColor{0x10, 0x20, 0x30}));
    EXPECT_EQ(at(*img, 1, 0), (RgbColor{1, 2, 3}));

    x.compression = 3;  // R, G, B from the low byte up
    x.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    img = load(x);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(at(*img, 0, 0), (RgbColor{0x30, 0x20, 0x10}));

    x.masks = {0x00FF00FF, 0x0000FF00, 0x00FF0000};  // red split in two runs
    expectRefused(x, "Image file conversion error.");
    x.masks = {0, 0x0000FF00, 0x00FF0000};
    expectRefused(x, "Image file conversion error.");
}

TEST_F(DibTest, RunLengthPicturesAreExpanded) {
    // 8-bit: row 0 = a run of two, a literal of three (padded to four bytes), end of line;
    // a delta of (2, 1) skips the rest of row 1; row 2 = a run past the right edge; end.
    // Skipped pixels keep the table's first colour.
    BmpLayout l;
    l.bitCount = 8;
    l.compression = 1;
    l.width = 5;
    l.height = 3;
    l.palette = {black, red, green, blue};
    l.colorsUsed = 4;
    l.pixels = {2, 1, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 6, 3, 0, 1};
    auto img = load(l);
    ASSERT_NE(img, nullptr);
    const RgbColor rows[3][5] = {{red, red, red, green, blue},
                                 {black, black, black, black, black},
                                 {black, black, blue, blue, blue}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(at(*img, x, y), rows[y][x]) << x << "," << y;

    // 4-bit: a run alternates two nibbles; a literal of three nibbles takes two bytes and
    // is padded to four.
    l.bitCount = 4;
    l.compression = 2;
    l.height = 1;
    l.pixels = {2, 0x12, 0, 3, 0x31, 0x20, 0, 0, 0, 1};
    img = load(l);
    ASSERT_NE(img, nullptr);
    const RgbColor row[5] = {red, green, blue, red, green};
    for (int x = 0; x < 5; ++x) EXPECT_EQ(at(*img, x, 0), row[x]) << x;

    // Data that ends before its end-of-picture mark, or a literal running off the file.
    l.pixels = {2, 0x12, 0};
    expectRefused(l, "Image file conversion error.");
    l.pixels = {0, 9, 0x12};
    expectRefused(l, "Image file conversion error.");
    l.pixels = {0, 1};
    l.height = -1;  // run-length pictures cannot be top-down
    expectRefused(l, "Image file conversion error.");
}

TEST_F(DibTest, RefusesUnknownHeadersAndUnsupportedEncodings) {
    for (std::uint32_t header : {108u, 124u, 64u, 0u}) {
        BmpLayout l;
        l.headerSize = header;
        l.pixels = bgrRows({{red}});
        expectRefused(l, "Unknown DIB file format.");
    }
    // Not a BMP at all: read as a bare DIB whose header size is nonsense.
    expectRefused(dir.write("x.bmp", Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}), "Unknown DIB file format.");
    // Too short to hold a header size.
    expectRefused(dir.write("short.bmp", Bytes{'B', 'M', 1, 2, 3}), "Unknown DIB file format.");

    BmpLayout rle;
    rle.bitCount = 4;  // run-length 8 needs 8-bit indices
    rle.compression = 1;
    rle.palette = {red};
    rle.pixels = {1, 0, 0, 1};
    expectRefused(rle, "Image file conversion error.");
    rle.bitCount = 8;
    rle.compression = 2;
    expectRefused(rle, "Image file conversion error.");
    rle.compression = 4;  // an embedded JPEG
    expectRefused(rle, "Image file conversion error.");

    BmpLayout odd;
    odd.bitCount = 2;
    odd.pixels = {0, 0, 0, 0};
    expectRefused(odd, "Image file conversion error.");
    odd.bitCount = 24;
    odd.width = 0;
    expectRefused(odd, "Image file conversion error.");
    odd.width = 1;
    odd.height = 0;
    expectRefused(odd, "Image file conversion error.");
}

TEST_F(DibTest, MissingEmptyTruncatedAndHugeFiles) {
    const std::string missing = dir.path("nowhere.bmp");
    expectRefused(missing, "Failed to open DIB file " + missing + ".\n");
    const std::string empty = dir.write("empty.bmp", {});
    expectRefused(empty, "Failed to open DIB file " + empty + ".\n");

    BmpLayout l;
    l.width = 4;
    l.height = 4;
    l.pixels = bgrRows({{red, red, red, red}, {red, red, red, red}, {red, red, red, red}, {red, red, red, red}});
    Bytes whole = makeBmp(l);
    for (std::size_t cut : {whole.size() - 1, whole.size() - 20, std::size_t{60}, std::size_t{54}}) {
        Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        expectRefused(dir.write("cut.bmp", part), "Image file conversion error.");
    }
    // A header cut off in the middle cannot be understood at all.
    expectRefused(dir.write("cut.bmp", Bytes(whole.begin(), whole.begin() + 30)), "Unknown DIB file format.");

    // Pixel offset beyond the end of the file.
    Bytes far = whole;
    far[10] = 0xFF;
    far[11] = 0xFF;
    far[12] = 0xFF;
    far[13] = 0x7F;
    expectRefused(dir.write("far.bmp", far), "Image file conversion error.");

    // Dimensions no picture of ours comes near, with almost no data behind them.
    BmpLayout huge;
    huge.width = 100000;
    huge.height = -100000;
    huge.pixels = {1, 2, 3, 4};
    expectRefused(huge, "Out of memory.");
    huge.width = 0x7FFFFFFF;
    huge.height = static_cast<std::int32_t>(0x80000000u);
    expectRefused(huge, "Out of memory.");

    // A colour table far longer than the file, in a bare DIB.
    BmpLayout table;
    table.fileHeader = false;
    table.bitCount = 8;
    table.colorsUsed = 0xFFFFFFFFu;
    table.palette = {red, green};
    table.pixels = {0, 0, 0, 0};
    expectRefused(table, "Image file conversion error.");
}

}  // namespace

namespace {

TEST(DibPaths, BackslashNamesReachFilesInSubfolders) {
    // The program names its pictures "textures\name.bmp"; the loaders must find them here.
    ScratchDir dir;
    std::filesystem::create_directories(dir.path("textures"));
    BmpLayout layout;
    layout.width = 1;
    layout.height = 1;
    layout.pixels = bgrRows({{RgbColor{10, 20, 30}}});
    dir.write("textures/one.bmp", makeBmp(layout));
    std::string name = dir.path("textures") + "\\one.bmp";
    MessageRecorder messages;
    auto image = loadDib(name);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->pixels[0], 10);
    EXPECT_EQ(image->pixels[2], 30);
    EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
