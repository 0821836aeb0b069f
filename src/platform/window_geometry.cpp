#include <algorithm>
#include <cstdint>

#include "platform/window.h"

namespace platform {

PictureRect fitPicture(int pictureWidth, int pictureHeight, int surfaceWidth, int surfaceHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || surfaceWidth <= 0 || surfaceHeight <= 0)
        return PictureRect{0, 0, std::max(pictureWidth, 0), std::max(pictureHeight, 0)};
    const auto pw = static_cast<std::int64_t>(pictureWidth), ph = static_cast<std::int64_t>(pictureHeight);
    const auto sw = static_cast<std::int64_t>(surfaceWidth), sh = static_cast<std::int64_t>(surfaceHeight);
    std::int64_t w = sw, h = sh;
    if (sw * ph <= sh * pw)
        h = std::max<std::int64_t>(1, (sw * ph + pw / 2) / pw);  // narrower than the picture: bars above and below
    else
        w = std::max<std::int64_t>(1, (sh * pw + ph / 2) / ph);  // wider: bars left and right
    return PictureRect{static_cast<int>((sw - w) / 2), static_cast<int>((sh - h) / 2), static_cast<int>(w),
                       static_cast<int>(h)};
}

}  // namespace platform
