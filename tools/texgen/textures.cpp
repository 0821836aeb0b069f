#include "textures.h"

#include <array>
#include <cmath>

#include "engine/math.h"
#include "lettering.h"

namespace texgen {

namespace {

constexpr float kPi = 3.14159265f;

struct V3 {
    float x, y, z;
};
V3 normalize(V3 v) {
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / l, v.y / l, v.z / l};
}
float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Low afternoon sun, shared by the sky and the terrain's baked light.  It stands over +x,
// where the camera looks while it skims the water in the landscape's fourth order.
const V3 kSun = normalize({0.86f, 0.30f, -0.40f});

Image vignette(Image img, float strength, float inner) {
    const float cx = static_cast<float>(img.width()) / 2, cy = static_cast<float>(img.height()) / 2;
    img.forEach([&](int x, int y, Rgb& p) {
        const float dx = (static_cast<float>(x) + 0.5f - cx) / cx, dy = (static_cast<float>(y) + 0.5f - cy) / cy;
        const float d = std::sqrt(dx * dx + dy * dy);
        p = p * (1.0f - strength * smoothstep(inner, 1.45f, d));
    });
    return img;
}

// Fine film grain so smooth gradients do not band after 8-bit quantisation.
void dither(Image& img, int seed, float amount) {
    img.forEach([&](int x, int y, Rgb& p) {
        const float n = (hashUnit(x, y, seed) - 0.5f) * amount;
        p = p + Rgb(n, n, n);
    });
}

// ---------------------------------------------------------------------------------------
// Cards.  Each is painted on a canvas with the proportions it has on screen and then
// resampled to its power-of-two texture, so the lettering is not squashed when shown.

Image partyCard() {
    // 5 x 1.65 units on screen.
    const int W = 1212, H = 400;
    Image c(W, H);
    const float horizon = 0.64f * H;
    c.forEach([&](int x, int y, Rgb& p) {
        const float fy = static_cast<float>(y) / H;
        if (y < horizon) {
            const float t = fy / (horizon / H);
            p = lerp(hex(0x070312), hex(0x3a0d4a), std::pow(t, 1.6f));
            p = lerp(p, hex(0xff6a3d), 0.55f * std::pow(t, 6.0f));
        } else {
            p = lerp(hex(0x12041c), hex(0x04020a), (static_cast<float>(y) - horizon) / (H - horizon));
        }
    });
    // A striped setting sun sinking behind the horizon.
    const float sunX = W * 0.5f, sunY = horizon, sunR = H * 0.42f;
    c.forEach([&](int x, int y, Rgb& p) {
        if (y >= horizon) return;
        const float dx = static_cast<float>(x) + 0.5f - sunX, dy = static_cast<float>(y) + 0.5f - sunY;
        const float d = std::sqrt(dx * dx + dy * dy);
        const float t = clamp01(1.0f - static_cast<float>(y) / sunY * 0.0f);
        const float k = -dy / sunR;  // 0 at the horizon, 1 at the top of the disc
        const float stripePeriod = 10.0f + 26.0f * k;
        const float phase = std::fmod(-dy, stripePeriod) / stripePeriod;
        const float gap = k < 0.45f ? smoothstep(0.0f, 0.45f, 0.45f - k) * 0.55f : 0.0f;
        const bool inStripe = phase < gap;
        const float edge = clamp01(sunR - d);
        if (edge > 0 && !inStripe) {
            const Rgb sun = lerp(hex(0xff3c7e), hex(0xffd75e), std::pow(k, 0.8f));
            p = lerp(p, sun, edge * t);
        }
        const float glow = std::exp(-std::max(0.0f, d - sunR) / (H * 0.22f));
        p += hex(0xff4f7a) * (0.35f * glow);
    });
    // Perspective grid on the ground.
    c.forEach([&](int x, int y, Rgb& p) {
        if (y <= horizon) return;
        const float depth = (static_cast<float>(y) - horizon) / (H - horizon);  // 0 far .. 1 near
        const float z = 1.0f / (depth + 0.04f);
        const float gx = (static_cast<float>(x) - W * 0.5f) / (H * 0.35f) * z * 0.25f;
        const float lineX = std::fabs(gx - std::round(gx));
        const float lineZ = std::fabs(z * 0.6f - std::round(z * 0.6f));
        const float widthX = 0.02f * z, widthZ = 0.035f * z * z * 0.3f;
        float a = 0;
        a = std::max(a, smoothstep(widthX + 0.03f, widthX, lineX));
        a = std::max(a, smoothstep(widthZ + 0.04f, widthZ, lineZ));
        const float fadeFar = smoothstep(0.0f, 0.5f, depth);
        p += hex(0xd6359b) * (a * (0.25f + 0.75f * fadeFar));
    });
    // The name.
    platform::TextStyle style;
    style.fontPattern = "DejaVu Sans:bold";
    style.pixelHeight = 136;
    style.stretchX = 0.95f;
    style.slant = 0.18f;
    style.letterSpacing = 2;
    const Mask name = textMask("tressoria '04", style);
    const float ox = (W - static_cast<float>(name.width)) / 2, oy = H * 0.44f - static_cast<float>(name.height) / 2;
    const Mask glow = blurred(name, 14, 60);
    paintMask(c, glow, ox - 60, oy - 60, [](int, int) { return hex(0xff3fa4); }, 1.7f, true);
    const Mask shadow = blurred(name, 3, 12);
    paintMask(c, shadow, ox - 12 + 6, oy - 12 + 8, [](int, int) { return hex(0x000000); }, 1.3f, false);
    const float top = oy, bottom = oy + static_cast<float>(name.height);
    paintMask(
        c, name, ox, oy,
        [&](int, int y) {
            const float t = clamp01((static_cast<float>(y) - top) / (bottom - top));
            Rgb col = lerp(hex(0xffffff), hex(0x7fe9ff), smoothstep(0.0f, 0.55f, t));
            col = lerp(col, hex(0x2a63ff), smoothstep(0.55f, 1.0f, t));
            // Chrome horizon line across the letters.
            if (t > 0.52f && t < 0.56f) col = hex(0xffffff);
            return col;
        },
        1.0f, false);
    // Subtitle.
    platform::TextStyle small;
    small.fontPattern = "DejaVu Sans:bold";
    small.pixelHeight = 34;
    small.letterSpacing = 14;
    const Mask sub = textMask("DEMOPARTY", small);
    paintMask(c, blurred(sub, 4, 16), (W - static_cast<float>(sub.width)) / 2 - 16, H * 0.80f - 16,
              [](int, int) { return hex(0x40c8ff); }, 1.2f, true);
    paintMask(c, sub, (W - static_cast<float>(sub.width)) / 2, H * 0.80f, [](int, int) { return hex(0xe8fbff); },
              1.0f, false);
    dither(c, 11, 0.01f);
    return c;
}

// The title card's art: a night sky, a light streak and the word in polished metal.  The
// card is 1000 x 600 with "velastria" and its credit line; the program's icon is the same
// art on a square with the word's first letter.
Image titleArt(int W, int H, const char* text, int pixelHeight, bool credit) {
    Image c(W, H);
    const float cx = W * (0.5f - 0.15f / 5.0f), cy = H * 0.5f;
    c.forEach([&](int x, int y, Rgb& p) {
        const float fx = static_cast<float>(x) / W * 5.0f, fy = static_cast<float>(y) / H * 3.0f;
        const float n = fbm(fx * 0.9f + 3.1f, fy * 0.9f, 401, 6, 0.55f);
        const float n2 = fbm(fx * 1.7f, fy * 1.7f + 7.0f, 402, 5, 0.5f);
        const float cloud = smoothstep(-0.2f, 0.7f, n);
        Rgb col = hex(0x03040c);
        col = lerp(col, hex(0x2a0f45), cloud * 0.9f);
        col = lerp(col, hex(0x0f5a6e), smoothstep(0.1f, 0.8f, n2) * cloud * 0.8f);
        col += hex(0xb0407a) * (0.35f * std::pow(smoothstep(0.35f, 0.9f, n), 2.0f));
        p = col;
    });
    Rng rng(77);
    const int stars = static_cast<int>(900.0 * W * H / 600000.0);  // the card has 900
    for (int i = 0; i < stars; ++i) {
        const float x = rng.range(0, W), y = rng.range(0, H);
        const float b = std::pow(rng.unit(), 6.0f);
        const Rgb tint = lerp(hex(0xaac8ff), hex(0xfff0d8), rng.unit());
        addGlow(c, x, y, 1.5f + 5.0f * b, tint * (0.25f + 1.6f * b), 2.5f);
    }
    // Light streak behind the word.
    c.forEach([&](int x, int y, Rgb& p) {
        const float dy = (static_cast<float>(y) - cy) / H, dx = (static_cast<float>(x) - cx) / W;
        p += hex(0x6fd3ff) * (0.55f * std::exp(-dy * dy * 5000.0f) * std::exp(-dx * dx * 6.0f));
        p += hex(0x3a6cff) * (0.25f * std::exp(-(dx * dx + dy * dy * 4.0f) * 18.0f));
    });
    platform::TextStyle style;
    style.fontPattern = "DejaVu Serif:bold";
    style.pixelHeight = pixelHeight;
    style.stretchX = 1.0f;
    style.letterSpacing = 6;
    const Mask word = textMask(text, style);
    const float ox = cx - static_cast<float>(word.width) / 2, oy = cy - static_cast<float>(word.height) * 0.62f;
    paintMask(c, blurred(word, 16, 70), ox - 70, oy - 70, [](int, int) { return hex(0x4f7dff); }, 1.4f, true);
    paintMask(c, blurred(word, 4, 16), ox - 16, oy - 16, [](int, int) { return hex(0xb9f1ff); }, 0.6f, true);
    const float top = oy, bottom = oy + static_cast<float>(word.height);
    paintMask(
        c, word, ox, oy,
        [&](int x, int y) {
            const float t = clamp01((static_cast<float>(y) - top) / (bottom - top));
            // Polished metal: bright sky above a dark horizon band, warm ground below.
            Rgb col = lerp(hex(0xffffff), hex(0x9fc4ff), smoothstep(0.0f, 0.48f, t));
            col = lerp(col, hex(0x1d2350), smoothstep(0.46f, 0.52f, t));
            col = lerp(col, hex(0xffc27a), smoothstep(0.52f, 0.9f, t));
            col = col * (0.9f + 0.1f * std::sin(static_cast<float>(x) * 0.05f));
            return col;
        },
        1.0f, false);
    if (credit) {
        platform::TextStyle small;
        small.fontPattern = "DejaVu Sans";
        small.pixelHeight = 22;
        small.letterSpacing = 12;
        const Mask by = textMask("a demo by vom", small);
        paintMask(c, by, cx - static_cast<float>(by.width) / 2, cy + static_cast<float>(word.height) * 0.55f,
                  [](int, int) { return hex(0xc9d6ff); }, 0.9f, false);
    }
    c = vignette(c, 1.0f, 0.55f);
    dither(c, 12, 0.01f);
    return c;
}

// Shown on a 5 x 3 plane at distance 3: the screen only sees its middle (about two thirds of
// the width and four fifths of the height, centred a little left of the card's centre, as the
// card sits 0.15 to the right), and it sways by up to 15 degrees.
// The word is about half the card's width: the part the screen shows.
Image titleCard() { return titleArt(1000, 600, "velastria", 100, true); }

// The group's logo, shown with additive blending on a 4 x 1.65 plane: black means nothing.
Image logo() {
    const int W = 968, H = 400;
    Image c(W, H);
    platform::TextStyle style;
    style.fontPattern = "DejaVu Sans:bold";
    style.pixelHeight = 300;
    style.slant = 0.22f;
    style.letterSpacing = -4;
    style.emboldenPx = 6;
    const Mask word = textMask("Vom", style);
    const float ox = (W - static_cast<float>(word.width)) / 2, oy = H * 0.46f - static_cast<float>(word.height) / 2;
    paintMask(c, blurred(word, 20, 80), ox - 80, oy - 80, [](int, int) { return hex(0xff4a1c); }, 1.1f, true);
    const float top = oy, bottom = oy + static_cast<float>(word.height);
    paintMask(
        c, word, ox, oy,
        [&](int x, int y) {
            const float t = clamp01((static_cast<float>(y) - top) / (bottom - top));
            Rgb col = lerp(hex(0xfff6c0), hex(0xffa21f), smoothstep(0.0f, 0.5f, t));
            col = lerp(col, hex(0xd8143a), smoothstep(0.5f, 1.0f, t));
            const float scan = 0.82f + 0.18f * std::cos(static_cast<float>(y) * 0.6f);
            return col * scan + hex(0x000000) * static_cast<float>(x);
        },
        1.0f, false);
    // Two thin rules framing the name.
    const float ruleY = oy + static_cast<float>(word.height) + 26;
    c.forEach([&](int x, int y, Rgb& p) {
        const float d = std::fabs(static_cast<float>(y) - ruleY);
        const float along = std::fabs((static_cast<float>(x) - W * 0.5f) / (W * 0.42f));
        if (along > 1.0f) return;
        const float a = std::exp(-d * d / 3.0f) * (1.0f - along * along);
        p += hex(0xffb347) * (0.9f * a);
    });
    return c;
}

// ---------------------------------------------------------------------------------------
// Landscape.

float carveMask(float x, float z) {
    // The lake where the crate floats (world (28, -12)) and where the camera hovers in
    // orders 3 and 6, and the channel the camera skims at height 6 in order 4 (world x from
    // -35 to -5 at z -26), joined into one water system.
    auto segDist = [](float px, float pz, float ax, float az, float bx, float bz) {
        const float vx = bx - ax, vz = bz - az;
        const float t = clamp01(((px - ax) * vx + (pz - az) * vz) / (vx * vx + vz * vz));
        return std::hypot(px - (ax + vx * t), pz - (az + vz * t));
    };
    const float wobble = 3.0f * fbm(x * 0.05f, z * 0.05f, 901, 3);
    float mask = 0;
    const float lx = (x - 90.0f) / 19.0f, lz = (z - 54.0f) / 15.0f;
    mask = std::max(mask, smoothstep(1.25f, 0.55f, std::sqrt(lx * lx + lz * lz) + wobble * 0.05f));
    const std::array<std::array<float, 2>, 5> river{{{6, 30}, {26, 36}, {48, 38}, {66, 42}, {80, 50}}};
    float d = 1e9f;
    for (std::size_t i = 0; i + 1 < river.size(); ++i)
        d = std::min(d, segDist(x, z, river[i][0], river[i][1], river[i + 1][0], river[i + 1][1]));
    mask = std::max(mask, smoothstep(11.0f, 4.0f, d + wobble));
    return mask;
}

Field terrainHeights() {
    Field f(kMapSize, kMapSize);
    for (int z = 0; z < kMapSize; ++z)
        for (int x = 0; x < kMapSize; ++x) {
            const float fx = static_cast<float>(x) / kMapSize, fz = static_cast<float>(z) / kMapSize;
            // Domain warp for less grid-like hills.
            const float wx = fx + 0.08f * fbm(fx * 3, fz * 3, 501, 3);
            const float wz = fz + 0.08f * fbm(fx * 3 + 5, fz * 3, 502, 3);
            const float hills = 0.5f + 0.5f * fbm(wx * 3.5f, wz * 3.5f, 503, 6, 0.55f);
            const float crest = ridged(wx * 2.2f + 1.7f, wz * 2.2f, 504, 5);
            const float ex = std::fabs(fx - 0.5f) * 2, ez = std::fabs(fz - 0.5f) * 2;
            const float edge = std::pow(std::pow(ex, 4.0f) + std::pow(ez, 4.0f), 0.25f);
            // Ranges rise where a slow mask allows, so the inland has its own peaks and passes.
            const float ranges = smoothstep(-0.15f, 0.25f, fbm(fx * 1.8f + 2.0f, fz * 1.8f, 505, 2));
            float h = 0.06f + 0.50f * hills +
                      0.40f * crest * std::max(ranges, smoothstep(0.3f, 0.95f, edge + 0.3f * hills));
            h += 0.48f * smoothstep(0.7f, 1.0f, edge) * (0.55f + 0.45f * crest);
            const float carve = carveMask(static_cast<float>(x), static_cast<float>(z));
            const float floor = 0.17f + 0.05f * hills;
            h = lerpf(h, floor, carve);
            f.at(x, z) = std::clamp(h * 255.0f, 0.0f, 255.0f);
        }
    // Weather the grid a little so single-cell spikes do not show as needles.
    Field soft = f;
    soft.blur(1, false);
    for (int z = 0; z < kMapSize; ++z)
        for (int x = 0; x < kMapSize; ++x) f.at(x, z) = std::round(lerpf(f.at(x, z), soft.at(x, z), 0.5f));
    return f;
}

// The height map picture: row z of the terrain is the BMP's z-th stored row, which is the
// picture's row (size - 1 - z) counted from the top.
Image heightMapImage(const Field& h) {
    Image img(kMapSize, kMapSize);
    for (int z = 0; z < kMapSize; ++z)
        for (int x = 0; x < kMapSize; ++x) {
            const float v = h.at(x, z) / 255.0f;
            img.at(x, kMapSize - 1 - z) = Rgb(v, v, v);
        }
    return img;
}

// The colour map: texture coordinate (x / 128, z / 128) of the terrain, and a JPEG's first
// row is t = 0, so picture row y covers terrain row z = y / 4 directly.  Light is baked in
// because the engine draws the ground unlit.
Image terrainColour(const Field& h) {
    const int S = 512;
    Image img(S, S);
    const float scale = 30.0f / 255.0f;  // byte to world height
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) {
            const float tx = (static_cast<float>(x) + 0.5f) / 4.0f, tz = (static_cast<float>(y) + 0.5f) / 4.0f;
            const float hv = h.sample(tx, tz);
            const float hx = (h.sample(tx + 0.5f, tz) - h.sample(tx - 0.5f, tz)) * scale;
            const float hz = (h.sample(tx, tz + 0.5f) - h.sample(tx, tz - 0.5f)) * scale;
            const V3 n = normalize({-hx, 1.0f, -hz});
            const float slope = 1.0f - n.y;
            const float grain = fbm(tx * 0.6f, tz * 0.6f, 601, 5);
            const float fine = hashUnit(x, y, 602) - 0.5f;
            const float hn = hv + grain * 10.0f;
            Rgb col;
            if (hn < kWaterLevel) {
                const float depth = clamp01((kWaterLevel - hn) / 40.0f);
                col = lerp(hex(0xa89a6c), hex(0x1d3a3a), std::pow(depth, 0.7f));
            } else {
                const Rgb sand = lerp(hex(0xd8c48d), hex(0xc2a670), 0.5f + grain);
                const Rgb grassA = hex(0x4f7a2a), grassB = hex(0x7a8f34), forest = hex(0x2b4a1e);
                Rgb grass = lerp(grassA, grassB, clamp01(0.5f + 1.4f * grain));
                grass = lerp(grass, forest, smoothstep(0.1f, 0.35f, fbm(tx * 0.25f, tz * 0.25f, 603, 4)));
                // Faint layering broken up by noise, so cliffs do not read as contour lines.
                const float strata = 0.5f + 0.5f * std::sin(hv * 0.18f + grain * 9.0f);
                const float crumble = 0.5f + 0.5f * fbm(tx * 1.5f, tz * 1.5f, 604, 4);
                const Rgb rock = lerp(hex(0x6e665c), hex(0x9a8f80), 0.25f * strata + 0.75f * crumble);
                const Rgb snow = hex(0xf2f5fa);
                col = sand;
                col = lerp(col, grass, smoothstep(kWaterLevel + 2, kWaterLevel + 7, hn));
                col = lerp(col, rock, smoothstep(150.0f, 185.0f, hn));
                col = lerp(col, rock, smoothstep(0.18f, 0.32f, slope + grain * 0.1f));
                col = lerp(col, snow, smoothstep(192.0f, 208.0f, hn + (0.35f - slope) * 40.0f) *
                                          smoothstep(0.55f, 0.35f, slope));
            }
            const float light = 0.42f + 0.78f * std::max(0.0f, dot(n, kSun));
            col = col * light * (1.0f + 0.08f * fine);
            img.at(x, y) = col;
        }
    return img;
}

// Detail texture multiplied (times two) over the colour map, and the metal of the blocks in
// the glass-cube scene: average close to mid grey so it adds grain without darkening.
Image detailMetal() {
    const int S = 128;
    Image img(S, S);
    img.forEach([&](int x, int y, Rgb& p) {
        const float fx = static_cast<float>(x) / S * 8, fy = static_cast<float>(y) / S * 8;
        const float n = fbm(fx, fy, 701, 5, 0.55f, 8);
        const float speck = hashUnit(x, y, 702) - 0.5f;
        const float scratches = std::pow(std::fabs(gradientNoise(fx * 4.0f, fy * 0.25f, 703, 32)), 8.0f);
        float v = 0.5f + 0.09f * n + 0.05f * speck + 0.15f * scratches;
        p = Rgb(v * 0.98f, v, v * 1.03f);
    });
    return img;
}

Image water() {
    const int S = 128;
    Image img(S, S);
    img.forEach([&](int x, int y, Rgb& p) {
        const float fx = static_cast<float>(x) / S * 4, fy = static_cast<float>(y) / S * 4;
        const float wx = fx + 0.35f * fbm(fx, fy, 801, 3, 0.5f, 4);
        const float wy = fy + 0.35f * fbm(fx + 9, fy, 802, 3, 0.5f, 4);
        const float c1 = cellular(wx, wy, 803, 4);
        const float c2 = cellular(wx * 2, wy * 2, 804, 8);
        const float caustic = std::pow(smoothstep(0.55f, 0.95f, c1), 2.0f) + 0.5f * std::pow(smoothstep(0.6f, 1.0f, c2), 2.0f);
        const float depth = 0.5f + 0.5f * fbm(fx, fy, 805, 4, 0.5f, 4);
        Rgb col = lerp(hex(0x0c3c5a), hex(0x1f7f8a), depth);
        col += hex(0xbff6ff) * (0.75f * caustic);
        p = col;
    });
    return img;
}

Image crateWood() {
    const int S = 256;
    Image img(S, S);
    const int border = 26;
    const int planks = 5;
    auto woodAt = [](float u, float v, int seed, float dark) {
        // Grain along u: rings bent by noise.
        const float ring = std::sin((v * 40.0f + 6.0f * fbm(u * 2.0f, v * 6.0f, seed, 4)) * kPi);
        const float fibre = fbm(u * 30.0f, v * 2.0f, seed + 1, 3);
        Rgb col = lerp(hex(0xb07a3c), hex(0x7a4c22), 0.5f + 0.35f * ring + 0.25f * fibre);
        return col * dark;
    };
    img.forEach([&](int x, int y, Rgb& p) {
        const float u = static_cast<float>(x) / S, v = static_cast<float>(y) / S;
        const bool inFrame = x < border || y < border || x >= S - border || y >= S - border;
        // Diagonal brace from bottom-left to top-right inside the frame.
        const float diag = std::fabs((static_cast<float>(x) - static_cast<float>(S - 1 - y))) / std::sqrt(2.0f);
        const bool inBrace = !inFrame && diag < 17.0f;
        if (inFrame) {
            const bool vertical = (x < border || x >= S - border) && !(y < border || y >= S - border);
            p = vertical ? woodAt(v, u * 3, 901, 1.05f) : woodAt(u, v * 3, 902, 1.05f);
            const int ex = std::min({x, y, S - 1 - x, S - 1 - y});
            if (ex < 2 || ex > border - 3) p = p * 0.55f;  // bevel edges
        } else if (inBrace) {
            const float along = (static_cast<float>(x) + static_cast<float>(S - 1 - y)) / (2.0f * S);
            p = woodAt(along * 2, diag / 60.0f, 903, 1.1f);
            if (diag > 14.5f) p = p * 0.55f;
        } else {
            const float plankH = static_cast<float>(S - 2 * border) / planks;
            const float py = (static_cast<float>(y) - border) / plankH;
            const int idx = static_cast<int>(py);
            const float within = py - static_cast<float>(idx);
            p = woodAt(u + static_cast<float>(idx) * 0.37f, within * 0.25f + static_cast<float>(idx), 910 + idx,
                       0.85f + 0.1f * hashUnit(idx, 0, 911));
            if (within < 0.03f || within > 0.97f) p = p * 0.35f;  // gaps between planks
        }
        // Nails at the frame's corners and where the brace meets it.
        const std::array<std::array<float, 2>, 8> nails{{{13, 13}, {S - 13.f, 13}, {13, S - 13.f},
                                                         {S - 13.f, S - 13.f}, {S / 2.f, 13}, {S / 2.f, S - 13.f},
                                                         {13, S / 2.f}, {S - 13.f, S / 2.f}}};
        for (const auto& nl : nails) {
            const float d = std::hypot(static_cast<float>(x) + 0.5f - nl[0], static_cast<float>(y) + 0.5f - nl[1]);
            if (d < 3.2f) p = lerp(hex(0x3b3b40), hex(0xa0a0a8), clamp01(1.2f - d / 3.2f));
        }
        const float dirt = fbm(u * 5, v * 5, 912, 4);
        p = p * (0.88f + 0.18f * dirt);
    });
    return img;
}

// ---------------------------------------------------------------------------------------
// Sky box.  Each face is painted by following every texel to the point of the box it lands
// on (with the scene's own plane transforms), so the faces meet without seams whatever way
// each plane is turned, and the sky is one continuous function of direction.

Rgb skyColour(V3 d) {
    const Rgb zenith = hex(0x1d4f9c), mid = hex(0x5f9ad6), horizon = hex(0xf2d7b0);
    const float el = d.y;
    Rgb col;
    if (el >= 0) {
        col = lerp(horizon, mid, smoothstep(0.0f, 0.25f, el));
        col = lerp(col, zenith, smoothstep(0.2f, 0.9f, el));
    } else {
        col = lerp(horizon * 0.95f, hex(0x5c6f7e), smoothstep(0.0f, 0.35f, -el));
    }
    const float sunDot = dot(d, kSun);
    col += hex(0xffdca0) * (0.55f * std::pow(std::max(0.0f, sunDot), 12.0f));
    col += hex(0xffe8c0) * (0.35f * std::pow(std::max(0.0f, sunDot), 80.0f));
    if (sunDot > 0.9992f) col = hex(0xfffbf0);
    else col += hex(0xfff4d8) * (0.8f * smoothstep(0.995f, 0.9992f, sunDot));
    // Clouds on a flat layer above, thinning towards the horizon.
    if (el > 0.02f) {
        const float k = 1.0f / (el + 0.12f);
        const float u = d.x * k * 1.3f, v = d.z * k * 1.3f;
        const float base = fbm(u + 0.4f * fbm(u, v, 1102, 3), v, 1101, 6, 0.52f);
        const float cover = smoothstep(0.0f, 0.45f, base) * smoothstep(0.02f, 0.25f, el);
        const float lit = 0.75f + 0.35f * std::max(0.0f, sunDot) + 0.2f * fbm(u * 2 + 3, v * 2, 1103, 3);
        const Rgb cloud = lerp(hex(0xc7cbd8), hex(0xfff3e0), clamp01(lit - 0.5f)) * lit;
        col = lerp(col, cloud, cover * 0.85f);
    }
    // A far mountain range around the whole horizon, hazed by distance.
    const float azimuth = std::atan2(d.z, d.x) / (2.0f * kPi) + 0.5f;  // 0..1 all the way round
    const float ridge = 0.035f + 0.05f * (0.5f + 0.5f * fbm(azimuth * 12.0f, 0.5f, 1104, 5, 0.5f, 12)) +
                        0.03f * ridged(azimuth * 5.0f, 2.5f, 1105, 4, 5);
    if (el < ridge) {
        const float toward = std::max(0.0f, sunDot);
        const float inside = clamp01((ridge - el) * 40.0f);
        Rgb mountain = lerp(hex(0x8a9bb0), hex(0x6f7f95), clamp01((ridge - el) * 6.0f));
        mountain = lerp(mountain, hex(0xc9b7a8), 0.4f * toward);
        col = lerp(col, mountain, inside * 0.9f);
    }
    return col;
}

struct SkyPlane {
    const char* name;
    Vec3 rotate;
    Vec3 translate;
};

Image skyFace(const SkyPlane& plane, Image* preview) {
    const int S = 512;
    Image img(S, S);
    const Matrix4 planeLocal = Matrix4::multiply(Matrix4::rotationXYZ(plane.rotate), Matrix4::translation(plane.translate));
    const Matrix4 skyLocal = Matrix4::multiply(
        Matrix4::multiply(Matrix4::scaling(Vec3(20, 20, 20)), Matrix4::rotationXYZ(Vec3(0, 90, 0))),
        Matrix4::translation(Vec3(0, 0, 0)));
    const Matrix4 world = Matrix4::multiply(planeLocal, skyLocal);
    for (int row = 0; row < S; ++row)
        for (int col = 0; col < S; ++col) {
            // A JPEG's first row is t = 0; the plane's corner (-5, 0, -5) has (s, t) = (0, 0).
            const float s = (static_cast<float>(col) + 0.5f) / S, t = (static_cast<float>(row) + 0.5f) / S;
            const float px = -5.0f + 10.0f * s, pz = -5.0f + 10.0f * t;
            const V3 w{world[0] * px + world[8] * pz + world[12], world[1] * px + world[9] * pz + world[13],
                       world[2] * px + world[10] * pz + world[14]};
            img.at(col, row) = skyColour(normalize(w));
        }
    dither(img, 1200, 0.008f);
    if (preview) *preview = img;
    return img;
}

// ---------------------------------------------------------------------------------------
// Sprites: light on black, drawn with additive blending, so every edge must fade to black.

Image starSprite() {
    const int S = 64;
    Image img(S, S);
    img.forEach([&](int x, int y, Rgb& p) {
        const float dx = (static_cast<float>(x) + 0.5f - S / 2.0f) / (S / 2.0f);
        const float dy = (static_cast<float>(y) + 0.5f - S / 2.0f) / (S / 2.0f);
        const float r = std::sqrt(dx * dx + dy * dy);
        const float edge = smoothstep(1.0f, 0.7f, r);
        const float core = std::exp(-r * r * 60.0f);
        const float halo = std::exp(-r * r * 7.0f) * 0.45f;
        const float spikes = (std::exp(-std::fabs(dx) * 40.0f) * std::exp(-std::fabs(dy) * 2.8f) +
                              std::exp(-std::fabs(dy) * 40.0f) * std::exp(-std::fabs(dx) * 2.8f)) * 0.8f;
        const float diag = (std::exp(-std::fabs(dx - dy) * 30.0f) + std::exp(-std::fabs(dx + dy) * 30.0f)) *
                           std::exp(-r * 5.0f) * 0.25f;
        const float v = (core + halo + spikes + diag) * edge;
        p = Rgb(v * 0.92f, v * 0.96f, v) + Rgb(core, core, core) * 0.2f;
    });
    return img;
}

Image flashSprite() {
    const int S = 64;
    Image img(S, S);
    img.forEach([&](int x, int y, Rgb& p) {
        const float dx = (static_cast<float>(x) + 0.5f - S / 2.0f) / (S / 2.0f);
        const float dy = (static_cast<float>(y) + 0.5f - S / 2.0f) / (S / 2.0f);
        const float r = std::sqrt(dx * dx + dy * dy);
        const float v = (std::exp(-r * r * 18.0f) * 1.0f + std::exp(-r * r * 4.0f) * 0.45f +
                         0.18f * std::exp(-(r - 0.55f) * (r - 0.55f) * 120.0f)) *
                        smoothstep(1.0f, 0.8f, r);
        p = Rgb(v, v, v);
    });
    return img;
}

Image fireSprite() {
    const int S = 64;
    Image img(S, S);
    img.forEach([&](int x, int y, Rgb& p) {
        const float dx = (static_cast<float>(x) + 0.5f - S / 2.0f) / (S / 2.0f);
        const float dy = (static_cast<float>(y) + 0.5f - S / 2.0f) / (S / 2.0f);
        const float r = std::sqrt(dx * dx + dy * dy);
        const float flick = 0.25f * fbm(dx * 2.5f, dy * 2.5f, 1301, 4);
        const float heat = clamp01((1.0f - (r + flick) / 0.95f));
        const float h = std::pow(heat, 1.3f);
        Rgb col = lerp(hex(0x000000), hex(0xb51d05), smoothstep(0.0f, 0.3f, h));
        col = lerp(col, hex(0xff7a12), smoothstep(0.25f, 0.6f, h));
        col = lerp(col, hex(0xffe49a), smoothstep(0.6f, 0.95f, h));
        p = col * smoothstep(1.0f, 0.75f, r);
    });
    return img;
}

// Glass panes: additive at one tenth, so the picture itself is bright: streaks of reflection
// over a cool tint.  Tiles seamlessly.
Image glass() {
    const int S = 128;
    Image img(S, S);
    img.forEach([&](int x, int y, Rgb& p) {
        const float u = static_cast<float>(x) / S, v = static_cast<float>(y) / S;
        const float diag = u + v;  // wraps with the tile: period 1 along both axes
        const float streak = 0.5f + 0.5f * std::sin(diag * 2 * kPi * 2 + 1.3f * std::sin(diag * 2 * kPi));
        const float sharp = std::pow(streak, 10.0f);
        const float n = fbm(u * 4, v * 4, 1401, 4, 0.5f, 4);
        Rgb col = lerp(hex(0x4a6f8f), hex(0x9fd3f0), 0.5f + 0.5f * n);
        col += hex(0xffffff) * (0.7f * sharp);
        const float edge = std::min({u, v, 1.0f - u, 1.0f - v});
        col += hex(0xbfe8ff) * (0.35f * std::exp(-edge * 90.0f));
        p = col;
    });
    return img;
}

// Sideways brushing must tile along u as well: brush strokes are long noise along u with a
// period of one texture.
Image steel() {
    const int S = 128;
    Image img(S, S);
    img.forEach([&](int x, int y, Rgb& p) {
        const float u = static_cast<float>(x) / S, v = static_cast<float>(y) / S;
        const float brush = fbm(u * 2.0f, v * 64.0f, 1501, 4, 0.6f, 2);
        const float patches = fbm(u * 3, v * 3, 1502, 4, 0.5f, 3);
        float val = 0.62f + 0.1f * brush + 0.06f * patches + 0.06f * std::sin(v * 2 * kPi);
        p = Rgb(val * 0.97f, val, val * 1.04f);
    });
    return img;
}

Image riveted() {
    const int S = 128;
    Image img(S, S);
    img.forEach([&](int x, int y, Rgb& p) {
        const float u = static_cast<float>(x) / S, v = static_cast<float>(y) / S;
        const float brush = fbm(u * 48.0f, v * 2.0f, 1601, 4, 0.6f, 48);
        const float patches = fbm(u * 3, v * 3, 1602, 4, 0.5f, 3);
        const float rust = smoothstep(0.25f, 0.55f, fbm(u * 4, v * 4, 1603, 5, 0.55f, 4));
        Rgb col = Rgb(0.5f, 0.52f, 0.55f) * (0.9f + 0.15f * brush + 0.1f * patches);
        col = lerp(col, hex(0x6b3d22), rust * 0.6f);
        const int cx = x % 64, cy = y % 64;
        if (cx < 2 || cy < 2) col = col * 0.45f;
        else if (cx < 4 || cy < 4) col = col * 1.2f;
        const std::array<std::array<float, 2>, 4> pts{{{11, 11}, {53, 11}, {11, 53}, {53, 53}}};
        for (const auto& pt : pts) {
            const float dx = static_cast<float>(cx) + 0.5f - pt[0], dy = static_cast<float>(cy) + 0.5f - pt[1];
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d < 3.5f) col = Rgb(0.75f, 0.77f, 0.8f) * (0.8f + 0.25f * (-(dx + dy) / 5.0f));
            else if (d < 4.8f && dx + dy > 0) col = col * 0.5f;
        }
        p = col;
    });
    return img;
}

Image blueMetal() {
    const int S = 128;
    Image img(S, S);
    img.forEach([&](int x, int y, Rgb& p) {
        const float u = static_cast<float>(x) / S, v = static_cast<float>(y) / S;
        const float brush = fbm(u * 48.0f, v * 2.0f, 1701, 4, 0.6f, 48);
        const float n = fbm(u * 4, v * 4, 1702, 4, 0.5f, 4);
        Rgb col = lerp(hex(0x0d2a7a), hex(0x2f6fe0), 0.5f + 0.3f * brush + 0.3f * n);
        // Grooves across the beams, four per texture.
        const float g = std::fabs(std::fmod(v * 4.0f, 1.0f) - 0.5f);
        if (g > 0.47f) col = col * 0.45f;
        else if (g > 0.44f) col = col * 1.35f + hex(0x203040);
        p = col;
    });
    return img;
}

Image starSky() {
    const int S = 1024;
    Image img(S, S);
    img.forEach([&](int x, int y, Rgb& p) {
        const float u = static_cast<float>(x) / S, v = static_cast<float>(y) / S;
        const float band = std::exp(-std::pow((v - 0.5f - 0.25f * (u - 0.5f)) * 3.2f, 2.0f));
        const float neb = fbm(u * 4 + 0.3f * fbm(u * 6, v * 6, 1803, 3), v * 4, 1801, 7, 0.55f);
        const float neb2 = fbm(u * 7, v * 7 + 2, 1802, 6, 0.5f);
        Rgb col = hex(0x010206);
        col += hex(0x1a0d3a) * (band * smoothstep(-0.3f, 0.6f, neb) * 1.2f);
        col += hex(0x0d3550) * (band * smoothstep(0.0f, 0.7f, neb2) * 0.9f);
        col += hex(0x6a1f4a) * (band * std::pow(smoothstep(0.25f, 0.8f, neb), 2.0f) * 0.8f);
        p = col;
    });
    Rng rng(1804);
    for (int i = 0; i < 6000; ++i) {
        const float x = rng.range(0, S), y = rng.range(0, S);
        const float b = std::pow(rng.unit(), 9.0f);
        const Rgb tint = lerp(hex(0x9fb8ff), hex(0xffe2c4), rng.unit());
        addGlow(img, x, y, 1.3f + 4.0f * b, tint * (0.35f + 1.8f * b), 2.0f);
    }
    // A handful of bright stars with small crosses.
    for (int i = 0; i < 18; ++i) {
        const float x = rng.range(40, S - 40), y = rng.range(40, S - 40);
        addGlow(img, x, y, 9.0f, hex(0xe8f0ff) * 0.9f, 3.0f);
        for (int k = -14; k <= 14; ++k) {
            const float a = 0.5f * std::exp(-std::fabs(static_cast<float>(k)) / 4.0f);
            img.at(static_cast<int>(x) + k, static_cast<int>(y)) += hex(0xd8e6ff) * a;
            img.at(static_cast<int>(x), static_cast<int>(y) + k) += hex(0xd8e6ff) * a;
        }
    }
    return img;
}

Texture make(std::string name, Format f, Image img) {
    Texture t{std::move(name), f, std::move(img), {}};
    t.preview = t.image;
    return t;
}

}  // namespace

std::vector<Image> programIcon() {
    const Image art = titleArt(256, 256, "v", 230, false);
    return {art.resized(16, 16), art.resized(32, 32), art.resized(48, 48), art};
}

std::vector<Texture> buildAllTextures() {
    std::vector<Texture> out;
    {
        const Image onScreen = partyCard();
        out.push_back({"tressoria.bmp", Format::Bmp, onScreen.resized(512, 256), onScreen});
    }
    {
        // The title plane shows a texture's first row at its bottom edge (it is turned up
        // about x and carries no flip), and a JPEG's first row is its top: store it upside
        // down so the word reads upright on screen.
        const Image onScreen = titleCard().resized(512, 512);
        Texture t{"velastria.jpg", Format::Jpeg, onScreen.flippedVertically(), onScreen};
        out.push_back(std::move(t));
    }
    const Field heights = terrainHeights();
    out.push_back(make("mapeado.bn.bmp", Format::Bmp, heightMapImage(heights)));
    out.push_back(make("mapeado.jpg", Format::Jpeg, terrainColour(heights)));
    out.push_back(make("metal4.bmp", Format::Bmp, detailMetal()));
    out.push_back(make("water.bmp", Format::Bmp, water()));
    out.push_back(make("wood.bmp", Format::Bmp, crateWood()));
    const std::array<SkyPlane, 5> sky{{{"s_1.jpg", Vec3(90, 0, 90), Vec3(-5, 0, 0)},
                                       {"s_2.jpg", Vec3(90, 0, 0), Vec3(0, 0, 5)},
                                       {"s_3.jpg", Vec3(90, 0, -90), Vec3(5, 0, 0)},
                                       {"s_4.jpg", Vec3(90, 0, 180), Vec3(0, 0, -5)},
                                       {"s_techo.jpg", Vec3(0, 0, 180), Vec3(0, 5, 0)}}};
    for (const auto& plane : sky) out.push_back(make(plane.name, Format::Jpeg, skyFace(plane, nullptr)));
    out.push_back(make("star.bmp", Format::Bmp, starSprite()));
    out.push_back(make("flash.bmp", Format::Bmp, flashSprite()));
    out.push_back(make("fire.bmp", Format::Bmp, fireSprite()));
    out.push_back(make("glass.bmp", Format::Bmp, glass()));
    out.push_back(make("metal.bmp", Format::Bmp, steel()));
    out.push_back(make("metal2.bmp", Format::Bmp, riveted()));
    out.push_back(make("blue.bmp", Format::Bmp, blueMetal()));
    out.push_back(make("black.bmp", Format::Bmp, Image(16, 16)));
    out.push_back(make("estrellas.jpg", Format::Jpeg, starSky()));
    {
        const Image onScreen = logo();
        out.push_back({"vom.jpg", Format::Jpeg, onScreen.resized(512, 256), onScreen});
    }
    return out;
}

}  // namespace texgen
