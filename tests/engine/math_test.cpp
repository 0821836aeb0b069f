#include <gtest/gtest.h>

#include <cmath>

#include "engine/math.h"

namespace {

void expectMatrix(const Matrix4& m, std::initializer_list<float> expected, float tolerance = 1e-6f) {
    int i = 0;
    for (float e : expected) {
        EXPECT_NEAR(m[i], e, tolerance) << "element " << i;
        ++i;
    }
}

TEST(Matrix4, RotationOfZeroIsIdentity) {
    const Matrix4 r = Matrix4::rotationXYZ(Vec3(0, 0, 0));
    expectMatrix(r, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, 0.0f);
}

TEST(Matrix4, QuarterTurnAboutYSendsXToZ) {
    const Matrix4 r = Matrix4::rotationXYZ(Vec3(0, 90, 0));
    EXPECT_NEAR(r[0], 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(r[2], 1.0f);
    EXPECT_FLOAT_EQ(r[8], -1.0f);
    EXPECT_NEAR(r[10], 0.0f, 1e-6f);
}

TEST(Matrix4, RotationMatchesTheTransposedEulerForm) {
    // Every element of the rotation against an independent evaluation in double.
    const Vec3 angles(30, -45, 120);
    const double d = 3.14159265358979323846 / 180.0;
    const double ax = angles.x * d, ay = angles.y * d, az = angles.z * d;
    const double cx = std::cos(ax), sx = std::sin(ax), cy = std::cos(ay), sy = std::sin(ay);
    const double cz = std::cos(az), sz = std::sin(az);
    const Matrix4 r = Matrix4::rotationXYZ(angles);
    expectMatrix(r,
                 {float(cy * cz), float(sx * sy * cz - cx * sz), float(cx * sy * cz + sx * sz), 0,
                  float(cy * sz), float(sx * sy * sz + cx * cz), float(cx * sy * sz - sx * cz), 0,
                  float(-sy), float(sx * cy), float(cx * cy), 0, 0, 0, 0, 1},
                 1e-5f);
}

TEST(Matrix4, TranslationsAdd) {
    const Matrix4 m = Matrix4::multiply(Matrix4::translation(Vec3(1, 2, 3)), Matrix4::translation(Vec3(4, 5, 6)));
    expectMatrix(m, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 7, 9, 1}, 0.0f);
}

TEST(Matrix4, MultiplyAppliesTheFirstArgumentFirst) {
    const Matrix4 st = Matrix4::multiply(Matrix4::scaling(Vec3(2, 2, 2)), Matrix4::translation(Vec3(1, 0, 0)));
    EXPECT_EQ(st[0], 2.0f);
    EXPECT_EQ(st[12], 1.0f);
    const Matrix4 ts = Matrix4::multiply(Matrix4::translation(Vec3(1, 0, 0)), Matrix4::scaling(Vec3(2, 2, 2)));
    EXPECT_EQ(ts[12], 2.0f);
}

TEST(Matrix4, MultiplyMayWriteIntoAnInput) {
    Matrix4 a = Matrix4::translation(Vec3(1, 0, 0));
    a = Matrix4::multiply(a, Matrix4::rotationXYZ(Vec3(0, 0, 90)));
    // (1,0,0) turned by -90 degrees about z lands on (0,-1,0).
    EXPECT_NEAR(a[12], 0.0f, 1e-6f);
    EXPECT_NEAR(a[13], -1.0f, 1e-6f);
}

TEST(Vec3, Arithmetic) {
    Vec3 a(1, 2, 3);
    a += Vec3(1, 1, 1);
    EXPECT_EQ(a, Vec3(2, 3, 4));
    EXPECT_EQ(a + Vec3(1, 0, -1), Vec3(3, 3, 3));
    EXPECT_EQ(a * 0.5f, Vec3(1, 1.5f, 2));
    EXPECT_EQ(Color4(), Color4(0, 0, 0, 1));
}

}  // namespace
