// Small value types shared by every geometric subsystem: vectors, colours and
// column-major 4x4 matrices handed to OpenGL unchanged.  Single precision throughout;
// angles are degrees and only the builders that call sine and cosine convert them.
#pragma once

#include <array>

// The float nearest to pi/180.
inline constexpr float DEG_TO_RAD = 0.017453292f;

struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;

    Vec3() = default;
    Vec3(const float& x_, const float& y_, const float& z_) : x(x_), y(y_), z(z_) {}

    Vec3& operator+=(const Vec3& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    Vec3 operator+(const Vec3& v) const { return Vec3(x + v.x, y + v.y, z + v.z); }
    Vec3 operator*(float s) const { return Vec3(x * s, y * s, z * s); }
    bool operator==(const Vec3&) const = default;
};

// Texture coordinates.  Left unset by the default constructor (as a plain pair of floats);
// we value-initialise instead so a stray default never carries garbage.
struct Vec2 {
    float s = 0.0f, t = 0.0f;

    Vec2() = default;
    Vec2(float s_, float t_) : s(s_), t(t_) {}
    bool operator==(const Vec2&) const = default;
};

struct Color4 {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;

    Color4() = default;
    Color4(float r_, float g_, float b_, float a_) : r(r_), g(g_), b(b_), a(a_) {}
    bool operator==(const Color4&) const = default;
};

// Sixteen floats in OpenGL element order (m[12..14] is the translation).
struct Matrix4 {
    std::array<float, 16> m{};

    float& operator[](int i) { return m[static_cast<std::size_t>(i)]; }
    float operator[](int i) const { return m[static_cast<std::size_t>(i)]; }
    const float* data() const { return m.data(); }

    static Matrix4 identity();
    static Matrix4 translation(const Vec3& v);
    static Matrix4 scaling(const Vec3& v);
    // Rx(-x) * Ry(-y) * Rz(-z) in OpenGL's reading; the angles are degrees.
    static Matrix4 rotationXYZ(const Vec3& degrees);
    // Raw-array product: applies a first, then b (b * a in OpenGL's reading).
    static Matrix4 multiply(const Matrix4& a, const Matrix4& b);
};
