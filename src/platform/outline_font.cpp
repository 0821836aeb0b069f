#include "platform/outline_font.h"

#include <GL/gl.h>

namespace platform {

void buildEmptyLists(std::uint32_t first, std::uint32_t count, std::uint32_t listBase, GlyphMetricsFloat* metrics) {
    for (std::uint64_t code = first; code < static_cast<std::uint64_t>(first) + count && code <= 255; ++code) {
        if (metrics != nullptr) metrics[code] = GlyphMetricsFloat{};
        glNewList(listBase + static_cast<std::uint32_t>(code), GL_COMPILE);
        glEndList();
    }
}

}  // namespace platform
