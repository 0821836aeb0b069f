// Text rasterising for the content tools: the lettering has the size asked for, its style
// parameters act, and odd input never crashes or reads out of bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "platform/glyph_raster.h"

using platform::rasteriseText;
using platform::TextStyle;

namespace {
long ink(const platform::TextMask& m) {
    return std::accumulate(m.coverage.begin(), m.coverage.end(), 0L);
}
}  // namespace

TEST(GlyphRaster, TextComesOutAtTheRequestedSizeAndStretch) {
    TextStyle style;
    style.pixelHeight = 64;
    const auto plain = rasteriseText("velastria", style);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->coverage.size(), static_cast<std::size_t>(plain->width) * static_cast<std::size_t>(plain->height));
    // Lower-case letters with an ascender ('l', 't'): taller than half the em, shorter than the em.
    EXPECT_GT(plain->height, 32);
    EXPECT_LE(plain->height, 64);
    EXPECT_GT(plain->width, plain->height * 3);  // nine letters side by side
    EXPECT_GT(plain->baseline, 0);
    EXPECT_LE(plain->baseline, plain->height);
    // Fully covered pixels exist inside the strokes.
    EXPECT_EQ(*std::max_element(plain->coverage.begin(), plain->coverage.end()), 255);

    style.stretchX = 2.0f;
    const auto wide = rasteriseText("velastria", style);
    ASSERT_TRUE(wide);
    EXPECT_NEAR(static_cast<double>(wide->width) / plain->width, 2.0, 0.15);
    EXPECT_NEAR(wide->height, plain->height, 2);

    style.stretchX = 1.0f;
    style.emboldenPx = 3;
    const auto bold = rasteriseText("velastria", style);
    ASSERT_TRUE(bold);
    EXPECT_GT(ink(*bold), ink(*plain) * 5 / 4);
}

TEST(GlyphRaster, SpacesAndKerningMoveLettersApart) {
    TextStyle style;
    style.pixelHeight = 40;
    const auto tight = rasteriseText("AV", style);
    const auto spaced = rasteriseText("A V", style);
    ASSERT_TRUE(tight && spaced);
    EXPECT_GT(spaced->width, tight->width + 5);
    style.letterSpacing = 20;
    const auto loose = rasteriseText("AV", style);
    ASSERT_TRUE(loose);
    EXPECT_EQ(loose->width, tight->width + 20);
}

TEST(GlyphRaster, OddInputIsRefusedOrDrawnSafely) {
    TextStyle style;
    EXPECT_FALSE(rasteriseText("", style));
    EXPECT_FALSE(rasteriseText("   ", style));  // nothing visible to draw
    style.pixelHeight = 0;
    EXPECT_FALSE(rasteriseText("x", style));
    style.pixelHeight = 100000;
    EXPECT_FALSE(rasteriseText("x", style));
    style.pixelHeight = 24;
    // Broken UTF-8 (a lone continuation byte, a truncated sequence) still draws the rest.
    const auto broken = rasteriseText(std::string("a\x80" "b\xE2\x82"), style);
    ASSERT_TRUE(broken);
    EXPECT_GT(broken->width, 10);
    // An unknown family falls back to some installed font rather than failing.
    style.fontPattern = "No Such Family Anywhere";
    EXPECT_TRUE(rasteriseText("ok", style));
    EXPECT_FALSE(platform::findFontFile("DejaVu Sans").empty());
}
