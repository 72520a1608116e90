// 4x4 float matrices stored column by column, as GL keeps them, with the operations the
// fixed-function calls need. Arithmetic is single precision, like the GL's own.
#pragma once

struct Matrix {
    float m[16];  // element (row r, column c) at m[c * 4 + r]
};

Matrix identityMatrix();
// a × b: b applied first.
Matrix multiply(const Matrix& a, const Matrix& b);
Matrix rotationMatrix(float degrees, float x, float y, float z);
Matrix translationMatrix(float x, float y, float z);
// gluPerspective's matrix; false, as GLU ignores them, for a zero depth range, field of
// view or aspect.
bool perspectiveMatrix(double fovy, double aspect, double zNear, double zFar, Matrix* out);
// The inverse of the upper-left 3x3, transposed, in the upper-left of a 3x3 array (row
// major): what normals are transformed by. A singular matrix gives zeros.
void normalMatrix(const Matrix& a, float out[9]);
