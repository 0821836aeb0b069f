#include "image.h"

namespace texgen {

Rgb Image::sampleBilinear(float x, float y, bool wrap) const {
    const float fx = x - 0.5f, fy = y - 0.5f;
    const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    const float tx = fx - static_cast<float>(x0), ty = fy - static_cast<float>(y0);
    auto get = [&](int px, int py) -> const Rgb& { return wrap ? wrapped(px, py) : at(px, py); };
    const Rgb top = lerp(get(x0, y0), get(x0 + 1, y0), tx);
    const Rgb bottom = lerp(get(x0, y0 + 1), get(x0 + 1, y0 + 1), tx);
    return lerp(top, bottom, ty);
}

Image Image::resized(int w, int h) const {
    Image out(w, h);
    const float sx = static_cast<float>(w_) / static_cast<float>(w);
    const float sy = static_cast<float>(h_) / static_cast<float>(h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (sx <= 1.0f && sy <= 1.0f) {
                out.at(x, y) = sampleBilinear((static_cast<float>(x) + 0.5f) * sx,
                                              (static_cast<float>(y) + 0.5f) * sy, false);
                continue;
            }
            // Average the source rectangle this pixel covers (supersampled on a 4x4 grid).
            Rgb sum;
            for (int j = 0; j < 4; ++j)
                for (int i = 0; i < 4; ++i)
                    sum += sampleBilinear((static_cast<float>(x) + (static_cast<float>(i) + 0.5f) / 4.0f) * sx,
                                          (static_cast<float>(y) + (static_cast<float>(j) + 0.5f) / 4.0f) * sy,
                                          false);
            out.at(x, y) = sum * (1.0f / 16.0f);
        }
    }
    return out;
}

Image Image::flippedVertically() const {
    Image out(w_, h_);
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x) out.at(x, y) = at(x, h_ - 1 - y);
    return out;
}

std::vector<std::uint8_t> Image::toBytes() const {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(px_.size() * 3);
    auto q = [](float v) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
    };
    for (const Rgb& p : px_) {
        bytes.push_back(q(p.r));
        bytes.push_back(q(p.g));
        bytes.push_back(q(p.b));
    }
    return bytes;
}

float Field::sample(float x, float y) const {
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float tx = x - static_cast<float>(x0), ty = y - static_cast<float>(y0);
    return lerpf(lerpf(at(x0, y0), at(x0 + 1, y0), tx), lerpf(at(x0, y0 + 1), at(x0 + 1, y0 + 1), tx), ty);
}

void Field::blur(int radius, bool wrap) {
    if (radius <= 0) return;
    std::vector<float> tmp(v_.size());
    auto pick = [&](const std::vector<float>& src, int x, int y) {
        if (wrap) {
            x = ((x % w_) + w_) % w_;
            y = ((y % h_) + h_) % h_;
        } else {
            x = std::clamp(x, 0, w_ - 1);
            y = std::clamp(y, 0, h_ - 1);
        }
        return src[static_cast<std::size_t>(y) * static_cast<std::size_t>(w_) + static_cast<std::size_t>(x)];
    };
    const float norm = 1.0f / static_cast<float>(2 * radius + 1);
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) {
                float s = 0;
                for (int k = -radius; k <= radius; ++k) s += pick(v_, x + k, y);
                tmp[index(x, y)] = s * norm;
            }
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) {
                float s = 0;
                for (int k = -radius; k <= radius; ++k) s += pick(tmp, x, y + k);
                v_[index(x, y)] = s * norm;
            }
    }
}

std::uint32_t hash32(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

std::uint32_t hash3(int x, int y, int seed) {
    return hash32(static_cast<std::uint32_t>(x) * 0x8da6b343u ^ hash32(static_cast<std::uint32_t>(y) * 0xd8163841u ^
                                                                       static_cast<std::uint32_t>(seed) * 0xcb1ab31fu));
}

float hashUnit(int x, int y, int seed) {
    return static_cast<float>(hash3(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

namespace {
int wrapCoord(int v, int period) { return period > 0 ? ((v % period) + period) % period : v; }
float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }
float gradDot(int ix, int iy, float dx, float dy, int seed) {
    const float angle = hashUnit(ix, iy, seed) * 6.2831853f;
    return std::cos(angle) * dx + std::sin(angle) * dy;
}
}  // namespace

float gradientNoise(float x, float y, int seed, int period) {
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float fx = x - static_cast<float>(x0), fy = y - static_cast<float>(y0);
    const int ax = wrapCoord(x0, period), bx = wrapCoord(x0 + 1, period);
    const int ay = wrapCoord(y0, period), by = wrapCoord(y0 + 1, period);
    const float n00 = gradDot(ax, ay, fx, fy, seed);
    const float n10 = gradDot(bx, ay, fx - 1, fy, seed);
    const float n01 = gradDot(ax, by, fx, fy - 1, seed);
    const float n11 = gradDot(bx, by, fx - 1, fy - 1, seed);
    const float u = fade(fx), v = fade(fy);
    return 1.41f * lerpf(lerpf(n00, n10, u), lerpf(n01, n11, u), v);
}

float fbm(float x, float y, int seed, int octaves, float gain, int period) {
    float sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * gradientNoise(x, y, seed + o * 131, period);
        norm += amp;
        amp *= gain;
        x *= 2;
        y *= 2;
        period *= 2;
    }
    return sum / norm;
}

float ridged(float x, float y, int seed, int octaves, int period) {
    float sum = 0, amp = 0.5f, weight = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        float n = 1.0f - std::fabs(gradientNoise(x, y, seed + o * 977, period));
        n *= n;
        n *= weight;
        weight = clamp01(n * 2.0f);
        sum += n * amp;
        norm += amp;
        amp *= 0.5f;
        x *= 2;
        y *= 2;
        period *= 2;
    }
    return sum / norm;
}

float cellular(float x, float y, int seed, int period) {
    const int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
    float best = 10.0f;
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
            const int gx = cx + i, gy = cy + j;
            const int hx = wrapCoord(gx, period), hy = wrapCoord(gy, period);
            const float px = static_cast<float>(gx) + hashUnit(hx, hy, seed);
            const float py = static_cast<float>(gy) + hashUnit(hx, hy, seed + 7);
            best = std::min(best, std::hypot(px - x, py - y));
        }
    return best;
}

void addGlow(Image& img, float cx, float cy, float radius, Rgb colour, float sharpness) {
    const int x0 = std::max(0, static_cast<int>(cx - radius) - 1);
    const int x1 = std::min(img.width() - 1, static_cast<int>(cx + radius) + 1);
    const int y0 = std::max(0, static_cast<int>(cy - radius) - 1);
    const int y1 = std::min(img.height() - 1, static_cast<int>(cy + radius) + 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float d = std::hypot(static_cast<float>(x) + 0.5f - cx, static_cast<float>(y) + 0.5f - cy) / radius;
            if (d >= 1.0f) continue;
            img.at(x, y) += colour * std::pow(1.0f - d, sharpness);
        }
}

float Mask::sample(float x, float y) const {
    const float fx = x - 0.5f, fy = y - 0.5f;
    const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    const float tx = fx - static_cast<float>(x0), ty = fy - static_cast<float>(y0);
    return lerpf(lerpf(at(x0, y0), at(x0 + 1, y0), tx), lerpf(at(x0, y0 + 1), at(x0 + 1, y0 + 1), tx), ty);
}

Mask blurred(const Mask& m, int radius, int pad) {
    Mask out;
    out.width = m.width + 2 * pad;
    out.height = m.height + 2 * pad;
    Field f(out.width, out.height);
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) f.at(x + pad, y + pad) = m.at(x, y);
    f.blur(radius, false);
    out.a.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.a[static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width) + static_cast<std::size_t>(x)] =
                f.at(x, y);
    return out;
}

}  // namespace texgen
