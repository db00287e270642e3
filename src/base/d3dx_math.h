// The vector and matrix functions the scene needs, with the published D3DX formulas:
// left-handed, row vectors, products read left to right (world x view x projection).
#pragma once

namespace WorkSpace {

struct Vec3 {
    float x, y, z;
};

struct Matrix {
    float m[4][4];
};

float Vec3Length(const Vec3& v);
Vec3 Vec3Normalize(const Vec3& v);  // the zero vector stays zero
Vec3 Vec3Cross(const Vec3& a, const Vec3& b);
float Vec3Dot(const Vec3& a, const Vec3& b);

Matrix MatrixIdentity();
Matrix MatrixMultiply(const Matrix& a, const Matrix& b);
Matrix MatrixTranspose(const Matrix& a);
Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);
Matrix MatrixLookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up);
Matrix MatrixRotationX(float angle);
Matrix MatrixRotationY(float angle);
Matrix MatrixRotationZ(float angle);

}  // namespace WorkSpace
