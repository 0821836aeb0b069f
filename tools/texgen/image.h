// A small float RGB canvas and the procedural helpers the texture recipes paint with.
// Everything is deterministic: noise comes from an integer hash, never from a random source.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace texgen {

struct Rgb {
    float r = 0, g = 0, b = 0;
    Rgb() = default;
    constexpr Rgb(float r_, float g_, float b_) : r(r_), g(g_), b(b_) {}
    Rgb operator+(const Rgb& o) const { return {r + o.r, g + o.g, b + o.b}; }
    Rgb operator-(const Rgb& o) const { return {r - o.r, g - o.g, b - o.b}; }
    Rgb operator*(float s) const { return {r * s, g * s, b * s}; }
    Rgb operator*(const Rgb& o) const { return {r * o.r, g * o.g, b * o.b}; }
    Rgb& operator+=(const Rgb& o) {
        r += o.r, g += o.g, b += o.b;
        return *this;
    }
};

inline Rgb lerp(const Rgb& a, const Rgb& b, float t) { return a + (b - a) * t; }
inline float lerpf(float a, float b, float t) { return a + (b - a) * t; }
inline float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
inline float smoothstep(float e0, float e1, float x) {
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}
inline Rgb hex(std::uint32_t v) {
    return {static_cast<float>((v >> 16) & 255) / 255.0f, static_cast<float>((v >> 8) & 255) / 255.0f,
            static_cast<float>(v & 255) / 255.0f};
}

// Rows top first, as a picture is looked at; the writers turn them into each format's order.
class Image {
public:
    Image() = default;
    Image(int w, int h, Rgb fill = {}) : w_(w), h_(h), px_(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}

    int width() const { return w_; }
    int height() const { return h_; }
    Rgb& at(int x, int y) { return px_[index(x, y)]; }
    const Rgb& at(int x, int y) const { return px_[index(x, y)]; }
    // Wrapping access, for tileable pictures.
    const Rgb& wrapped(int x, int y) const {
        return at(((x % w_) + w_) % w_, ((y % h_) + h_) % h_);
    }
    Rgb sampleBilinear(float x, float y, bool wrap) const;  // x, y in pixel units, centres at +0.5

    template <typename F>
    void forEach(F&& f) {
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) f(x, y, at(x, y));
    }

    Image resized(int w, int h) const;  // area-averaging when shrinking, bilinear when growing
    Image flippedVertically() const;
    // 8-bit RGB, top row first, rounded and clamped.
    std::vector<std::uint8_t> toBytes() const;

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(std::clamp(y, 0, h_ - 1)) * static_cast<std::size_t>(w_) +
               static_cast<std::size_t>(std::clamp(x, 0, w_ - 1));
    }
    int w_ = 0, h_ = 0;
    std::vector<Rgb> px_;
};

// A single-channel float field, for masks and height maps.
class Field {
public:
    Field() = default;
    Field(int w, int h, float fill = 0) : w_(w), h_(h), v_(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}
    int width() const { return w_; }
    int height() const { return h_; }
    float& at(int x, int y) { return v_[index(x, y)]; }
    float at(int x, int y) const { return v_[index(x, y)]; }
    float sample(float x, float y) const;  // bilinear, x/y in cell units (cell centres on integers), clamped
    void blur(int radius, bool wrap);      // box blur, three passes approximate a gaussian

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(std::clamp(y, 0, h_ - 1)) * static_cast<std::size_t>(w_) +
               static_cast<std::size_t>(std::clamp(x, 0, w_ - 1));
    }
    int w_ = 0, h_ = 0;
    std::vector<float> v_;
};

// --- noise -------------------------------------------------------------------------------

std::uint32_t hash32(std::uint32_t x);
std::uint32_t hash3(int x, int y, int seed);
// Uniform in [0, 1).
float hashUnit(int x, int y, int seed);

// Gradient noise in about [-1, 1].  With period > 0 the lattice wraps so the noise tiles
// every `period` units along both axes.
float gradientNoise(float x, float y, int seed, int period = 0);
// Sum of octaves; each octave doubles frequency (and period) and scales amplitude by gain.
float fbm(float x, float y, int seed, int octaves, float gain = 0.5f, int period = 0);
// Ridged multifractal for mountain crests, about [0, 1].
float ridged(float x, float y, int seed, int octaves, int period = 0);
// Distance to the nearest feature point of a jittered grid (cellular noise), in cell units.
float cellular(float x, float y, int seed, int period = 0);

// Deterministic pseudo-random sequence for scattering things (stars, sparks).
class Rng {
public:
    explicit Rng(std::uint32_t seed) : state_(seed * 2654435761u + 1013904223u) {}
    std::uint32_t next() {
        state_ = state_ * 1664525u + 1013904223u;
        return hash32(state_);
    }
    float unit() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }
    float range(float a, float b) { return a + (b - a) * unit(); }

private:
    std::uint32_t state_;
};

// --- painting ----------------------------------------------------------------------------

// Adds a radial glow: colour * intensity * falloff(distance / radius), falloff 1 at the centre.
void addGlow(Image& img, float cx, float cy, float radius, Rgb colour, float sharpness = 2.0f);
// A coverage mask (0..1) painted with a colour function at an offset.
struct Mask {
    int width = 0, height = 0;
    std::vector<float> a;
    float at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0.0f;
        return a[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
    float sample(float x, float y) const;  // bilinear, 0 outside
};
Mask blurred(const Mask& m, int radius, int pad);  // grows the canvas by pad on each side

}  // namespace texgen
