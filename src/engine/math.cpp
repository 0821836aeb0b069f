#include "engine/math.h"

#include <cmath>

Matrix4 Matrix4::identity() {
    Matrix4 r;
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
    return r;
}

Matrix4 Matrix4::translation(const Vec3& v) {
    Matrix4 r = identity();
    r.m[12] = v.x;
    r.m[13] = v.y;
    r.m[14] = v.z;
    return r;
}

Matrix4 Matrix4::scaling(const Vec3& v) {
    Matrix4 r = identity();
    r.m[0] = v.x;
    r.m[5] = v.y;
    r.m[10] = v.z;
    return r;
}

Matrix4 Matrix4::rotationXYZ(const Vec3& v) {
    const float ax = v.x * DEG_TO_RAD;
    const float ay = v.y * DEG_TO_RAD;
    const float az = v.z * DEG_TO_RAD;
    const float cx = std::cos(ax), sx = std::sin(ax);
    const float cy = std::cos(ay), sy = std::sin(ay);
    const float cz = std::cos(az), sz = std::sin(az);

    Matrix4 r;
    r.m[0] = cy * cz;
    r.m[1] = sx * sy * cz - cx * sz;
    r.m[2] = cx * sy * cz + sx * sz;
    r.m[3] = 0.0f;
    r.m[4] = cy * sz;
    r.m[5] = sx * sy * sz + cx * cz;
    r.m[6] = cx * sy * sz - sx * cz;
    r.m[7] = 0.0f;
    r.m[8] = -sy;
    r.m[9] = sx * cy;
    r.m[10] = cx * cy;
    r.m[11] = 0.0f;
    r.m[12] = r.m[13] = r.m[14] = 0.0f;
    r.m[15] = 1.0f;
    return r;
}

Matrix4 Matrix4::multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r;  // a temporary, so the caller may pass its output as an input
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = a[4 * i] * b[j];
            sum += a[4 * i + 1] * b[4 + j];
            sum += a[4 * i + 2] * b[8 + j];
            sum += a[4 * i + 3] * b[12 + j];
            r[4 * i + j] = sum;
        }
    }
    return r;
}
