// OpenGL binding helpers that do not need the demo's window: extension entry points by
// name, and a hidden context for tests and offline renderers (SDL's offscreen driver on
// a software rasteriser when no display is wanted).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// The entry point of an OpenGL function, or null when the driver does not offer it.
void* glProcAddress(const char* name);
// Whether the current context lists the extension, and whether its version is at least major.minor.
bool glHasExtension(const char* name);
bool glVersionAtLeast(int major, int minor);
// Test seam: entry points and extensions with these names are treated as absent (an empty
// list restores the driver's own answers).
void hideGlNames(std::vector<std::string> names);

class OffscreenContext {
public:
    // A current legacy OpenGL context with a width x height double-buffered RGBA
    // drawable and a 16-bit depth buffer, multisampled when samples > 1 (as some drivers
    // make every window whatever was asked).  Check ok() before use.
    OffscreenContext(int width, int height, int samples = 0);
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    bool ok() const { return context != nullptr; }
    int width() const { return w; }
    int height() const { return h; }
    // The back buffer as tightly packed RGB rows, top row first.
    std::vector<std::uint8_t> readPixels() const;
    void swap();

private:
    void* window = nullptr;   // SDL_Window
    void* context = nullptr;  // SDL_GLContext
    int w, h;
};

}  // namespace platform
