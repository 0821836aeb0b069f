#include "lettering.h"

#include <cstdio>

namespace texgen {

Mask textMask(const std::string& text, const platform::TextStyle& style) {
    Mask m;
    const auto raster = platform::rasteriseText(text, style);
    if (!raster) {
        std::fprintf(stderr, "texgen: no font for \"%s\" (%s); lettering left out\n", text.c_str(),
                     style.fontPattern.c_str());
        return m;
    }
    m.width = raster->width;
    m.height = raster->height;
    m.a.resize(raster->coverage.size());
    for (std::size_t i = 0; i < m.a.size(); ++i) m.a[i] = static_cast<float>(raster->coverage[i]) / 255.0f;
    return m;
}

void paintMask(Image& img, const Mask& mask, float ox, float oy, const std::function<Rgb(int, int)>& colour,
               float opacity, bool additive) {
    if (mask.width == 0) return;
    const int x0 = std::max(0, static_cast<int>(std::floor(ox)));
    const int y0 = std::max(0, static_cast<int>(std::floor(oy)));
    const int x1 = std::min(img.width(), static_cast<int>(std::ceil(ox)) + mask.width + 1);
    const int y1 = std::min(img.height(), static_cast<int>(std::ceil(oy)) + mask.height + 1);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float a =
                mask.sample(static_cast<float>(x) + 0.5f - ox, static_cast<float>(y) + 0.5f - oy) * opacity;
            if (a <= 0.0f) continue;
            Rgb& dst = img.at(x, y);
            dst = additive ? dst + colour(x, y) * a : lerp(dst, colour(x, y), std::min(a, 1.0f));
        }
}

}  // namespace texgen
