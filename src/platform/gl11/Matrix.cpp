#include "platform/gl11/Matrix.h"

#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
// Below this length a rotation axis has no direction and the rotation is skipped.
constexpr float kMinAxisLength = 1.0e-4f;

float& at(Matrix& a, int row, int column) { return a.m[column * 4 + row]; }
float at(const Matrix& a, int row, int column) { return a.m[column * 4 + row]; }
}  // namespace

Matrix identityMatrix()
{
    Matrix r = {};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
    return r;
}

Matrix multiply(const Matrix& a, const Matrix& b)
{
    Matrix r;
    for (int row = 0; row < 4; ++row) {
        const float a0 = at(a, row, 0), a1 = at(a, row, 1), a2 = at(a, row, 2), a3 = at(a, row, 3);
        for (int column = 0; column < 4; ++column) {
            at(r, row, column) = a0 * at(b, 0, column) + a1 * at(b, 1, column) +
                                 a2 * at(b, 2, column) + a3 * at(b, 3, column);
        }
    }
    return r;
}

Matrix rotationMatrix(float degrees, float x, float y, float z)
{
    Matrix r = identityMatrix();
    const float radians = static_cast<float>(degrees * kPi / 180.0);
    const float s = std::sin(radians), c = std::cos(radians);
    // Rotations about a coordinate axis get exact zeros and ones off the rotated plane.
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        const float sz = z < 0.0f ? -s : s;
        at(r, 0, 0) = c;
        at(r, 1, 1) = c;
        at(r, 0, 1) = -sz;
        at(r, 1, 0) = sz;
        return r;
    }
    if (x == 0.0f && z == 0.0f && y != 0.0f) {
        const float sy = y < 0.0f ? -s : s;
        at(r, 0, 0) = c;
        at(r, 2, 2) = c;
        at(r, 0, 2) = sy;
        at(r, 2, 0) = -sy;
        return r;
    }
    if (y == 0.0f && z == 0.0f && x != 0.0f) {
        const float sx = x < 0.0f ? -s : s;
        at(r, 1, 1) = c;
        at(r, 2, 2) = c;
        at(r, 1, 2) = -sx;
        at(r, 2, 1) = sx;
        return r;
    }
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length <= kMinAxisLength) return r;
    x /= length;
    y /= length;
    z /= length;
    const float oneMinusC = 1.0f - c;
    at(r, 0, 0) = oneMinusC * x * x + c;
    at(r, 0, 1) = oneMinusC * x * y - z * s;
    at(r, 0, 2) = oneMinusC * z * x + y * s;
    at(r, 1, 0) = oneMinusC * x * y + z * s;
    at(r, 1, 1) = oneMinusC * y * y + c;
    at(r, 1, 2) = oneMinusC * y * z - x * s;
    at(r, 2, 0) = oneMinusC * z * x - y * s;
    at(r, 2, 1) = oneMinusC * y * z + x * s;
    at(r, 2, 2) = oneMinusC * z * z + c;
    return r;
}

Matrix translationMatrix(float x, float y, float z)
{
    Matrix r = identityMatrix();
    r.m[12] = x;
    r.m[13] = y;
    r.m[14] = z;
    return r;
}

bool perspectiveMatrix(double fovy, double aspect, double zNear, double zFar, Matrix* out)
{
    const double radians = fovy / 2.0 * kPi / 180.0;
    const double depth = zFar - zNear;
    const double sine = std::sin(radians);
    if (depth == 0.0 || sine == 0.0 || aspect == 0.0) return false;
    const double cotangent = std::cos(radians) / sine;
    Matrix m = {};
    m.m[0] = static_cast<float>(cotangent / aspect);
    m.m[5] = static_cast<float>(cotangent);
    m.m[10] = static_cast<float>(-(zFar + zNear) / depth);
    m.m[11] = -1.0f;
    m.m[14] = static_cast<float>(-2.0 * zNear * zFar / depth);
    *out = m;
    return true;
}

void normalMatrix(const Matrix& a, float out[9])
{
    const float a00 = at(a, 0, 0), a01 = at(a, 0, 1), a02 = at(a, 0, 2);
    const float a10 = at(a, 1, 0), a11 = at(a, 1, 1), a12 = at(a, 1, 2);
    const float a20 = at(a, 2, 0), a21 = at(a, 2, 1), a22 = at(a, 2, 2);
    // Cofactors: the inverse is their transpose over the determinant, so the
    // inverse-transpose is the cofactor matrix itself over it.
    const float c00 = a11 * a22 - a12 * a21, c01 = a12 * a20 - a10 * a22,
                c02 = a10 * a21 - a11 * a20;
    const float c10 = a02 * a21 - a01 * a22, c11 = a00 * a22 - a02 * a20,
                c12 = a01 * a20 - a00 * a21;
    const float c20 = a01 * a12 - a02 * a11, c21 = a02 * a10 - a00 * a12,
                c22 = a00 * a11 - a01 * a10;
    const float det = a00 * c00 + a01 * c01 + a02 * c02;
    const float inv = det != 0.0f ? 1.0f / det : 0.0f;
    out[0] = c00 * inv;
    out[1] = c01 * inv;
    out[2] = c02 * inv;
    out[3] = c10 * inv;
    out[4] = c11 * inv;
    out[5] = c12 * inv;
    out[6] = c20 * inv;
    out[7] = c21 * inv;
    out[8] = c22 * inv;
}
