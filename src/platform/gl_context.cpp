#include "platform/gl_context.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/backend.h"
#include <GL/gl.h>

namespace platform {
namespace {

std::vector<std::string>& hiddenNames() {
    static std::vector<std::string> names;
    return names;
}

bool hidden(const char* name) {
    const auto& names = hiddenNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

void* glProcAddress(const char* name) { return hidden(name) ? nullptr : backend::glEntryPoint(name); }

bool glHasExtension(const char* name) {
    return !hidden(name) && backend::glContextCurrent() && backend::glExtensionOffered(name);
}

bool glVersionAtLeast(int major, int minor) {
    if (!backend::glContextCurrent()) return false;
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int maj = 0, min = 0;
    if (version == nullptr || std::sscanf(version, "%d.%d", &maj, &min) != 2) return false;
    return maj > major || (maj == major && min >= minor);
}

void hideGlNames(std::vector<std::string> names) { hiddenNames() = std::move(names); }

std::vector<std::uint8_t> OffscreenContext::readPixels() const {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    // OpenGL gives the bottom row first; flip so callers see the picture top row first.
    const std::size_t stride = static_cast<std::size_t>(w) * 3;
    for (int y = 0; y < h / 2; ++y) {
        auto* a = rgb.data() + static_cast<std::size_t>(y) * stride;
        auto* b = rgb.data() + static_cast<std::size_t>(h - 1 - y) * stride;
        for (std::size_t i = 0; i < stride; ++i) std::swap(a[i], b[i]);
    }
    return rgb;
}

}  // namespace platform
