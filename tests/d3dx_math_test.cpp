// Matrix and vector functions against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "base/d3dx_math.h"

using namespace WorkSpace;

TEST(D3dxMath, NormalizeAndZeroVector) {
    Vec3 v = Vec3Normalize(Vec3{3, 0, 4});
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.z, 0.8f);
    Vec3 z = Vec3Normalize(Vec3{0, 0, 0});
    EXPECT_EQ(z.x, 0.0f);
    EXPECT_EQ(z.y, 0.0f);
}

TEST(D3dxMath, PerspectiveFovLH) {
    // 90 degrees, aspect 2, near 1, far 11: yScale = 1, xScale = 0.5, zf/(zf-zn) = 1.1, -zn*zf/(zf-zn) = -1.1.
    Matrix m = MatrixPerspectiveFovLH(static_cast<float>(M_PI / 2), 2.0f, 1.0f, 11.0f);
    EXPECT_NEAR(m.m[0][0], 0.5f, 1e-6);
    EXPECT_NEAR(m.m[1][1], 1.0f, 1e-6);
    EXPECT_NEAR(m.m[2][2], 1.1f, 1e-6);
    EXPECT_EQ(m.m[2][3], 1.0f);
    EXPECT_NEAR(m.m[3][2], -1.1f, 1e-6);
    EXPECT_EQ(m.m[3][3], 0.0f);
}

TEST(D3dxMath, LookAtLHFromTheSaverCamera) {
    // Eye (0,-10,300) looking at the origin: z axis = normalize(0, 10, -300).
    Matrix m = MatrixLookAtLH(Vec3{0, -10, 300}, Vec3{0, 0, 0}, Vec3{0, 1, 0});
    const float len = std::sqrt(10.0f * 10.0f + 300.0f * 300.0f);
    EXPECT_NEAR(m.m[0][0], -1.0f, 1e-6);  // x = up x z points to -X when looking down -Z
    EXPECT_NEAR(m.m[1][2], 10.0f / len, 1e-6);
    EXPECT_NEAR(m.m[2][2], -300.0f / len, 1e-6);
    // The origin lands in front of the camera at the eye's distance.
    EXPECT_NEAR(m.m[3][2], len, 1e-3);
    EXPECT_EQ(m.m[3][3], 1.0f);
}

TEST(D3dxMath, MultiplyIsRowVectorLeftToRightAndTranspose) {
    Matrix a = MatrixIdentity();
    a.m[3][0] = 5;  // translate x by 5
    Matrix b = MatrixRotationZ(static_cast<float>(M_PI / 2));  // x -> y
    Matrix ab = MatrixMultiply(a, b);  // translate, then rotate
    // Row vector (0,0,0,1) * ab = (0, 5, 0, 1).
    EXPECT_NEAR(ab.m[3][0], 0.0f, 1e-5);
    EXPECT_NEAR(ab.m[3][1], 5.0f, 1e-5);
    Matrix t = MatrixTranspose(ab);
    EXPECT_EQ(t.m[1][3], ab.m[3][1]);
    EXPECT_EQ(t.m[0][1], ab.m[1][0]);
    Matrix rx = MatrixRotationX(static_cast<float>(M_PI / 2));  // y -> z
    EXPECT_NEAR(rx.m[1][2], 1.0f, 1e-6);
    Matrix ry = MatrixRotationY(static_cast<float>(M_PI / 2));  // z -> x
    EXPECT_NEAR(ry.m[2][0], 1.0f, 1e-6);
}
