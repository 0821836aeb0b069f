// Lettering for the cards: text from the platform rasteriser turned into masks the recipes
// can glow, outline and fill.
#pragma once

#include <functional>
#include <string>

#include "image.h"
#include "platform/glyph_raster.h"

namespace texgen {

// Empty mask (width 0) when the font is missing; the caller then paints no text.
Mask textMask(const std::string& text, const platform::TextStyle& style);

// Composites `colour(x, y)` through the mask placed with its top-left at (ox, oy), with the
// given opacity.  Additive adds light (for glows); otherwise the mask covers what is below.
void paintMask(Image& img, const Mask& mask, float ox, float oy, const std::function<Rgb(int, int)>& colour,
               float opacity, bool additive);

}  // namespace texgen
