// The two GLU calls the demo makes.
#include "platform/gl11/GlEntryPoints.h"

#include <GL/glu.h>

#include <cmath>
#include <vector>

namespace {

// Rows of client images are padded to this many bytes: GL's initial pack and unpack
// alignment, which the demo never changes.
constexpr int kRowAlignment = 4;

int componentsOf(GLenum format)
{
    switch (format) {
    case GL_LUMINANCE:
    case GL_ALPHA:
    case GL_RED:
    case GL_GREEN:
    case GL_BLUE: return 1;
    case GL_LUMINANCE_ALPHA: return 2;
    case GL_RGB: return 3;
    case GL_RGBA: return 4;
    default: return 0;
    }
}

int paddedRowBytes(int width, int components)
{
    return (width * components + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
}

// The weight of source cell [cell, cell + 1) within the span [low, high).
double overlap(int cell, double low, double high)
{
    const double from = cell > low ? cell : low;
    const double to = cell + 1 < high ? cell + 1 : high;
    return to > from ? to - from : 0.0;
}

}  // namespace

extern "C" {

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    Matrix m;
    if (perspectiveMatrix(fovy, aspect, zNear, zFar, &m)) gFixedFunction.multiplyMatrix(m);
}

// Resamples with a box filter: each output pixel is the area-weighted mean of the input
// pixels under it (or, when enlarging, of the pixel-sized box around its centre).
GLint gluScaleImage(GLenum format, GLsizei wIn, GLsizei hIn, GLenum typeIn, const void* dataIn,
                    GLsizei wOut, GLsizei hOut, GLenum typeOut, GLvoid* dataOut)
{
    const int components = componentsOf(format);
    if (components == 0 || typeIn != GL_UNSIGNED_BYTE || typeOut != GL_UNSIGNED_BYTE)
        return GLU_INVALID_ENUM;
    if (wIn < 0 || hIn < 0 || wOut < 0 || hOut < 0) return GLU_INVALID_VALUE;
    if (wIn == 0 || hIn == 0 || wOut == 0 || hOut == 0) return 0;
    const auto* in = static_cast<const GLubyte*>(dataIn);
    auto* out = static_cast<GLubyte*>(dataOut);
    const int inRow = paddedRowBytes(wIn, components), outRow = paddedRowBytes(wOut, components);
    const double scaleX = double(wIn) / wOut, scaleY = double(hIn) / hOut;
    std::vector<double> totals(components);
    for (int y = 0; y < hOut; ++y) {
        const double centreY = (y + 0.5) * scaleY, halfY = scaleY > 1.0 ? scaleY / 2 : 0.5;
        const double lowY = std::fmax(centreY - halfY, 0.0),
                     highY = std::fmin(centreY + halfY, hIn);
        for (int x = 0; x < wOut; ++x) {
            const double centreX = (x + 0.5) * scaleX, halfX = scaleX > 1.0 ? scaleX / 2 : 0.5;
            const double lowX = std::fmax(centreX - halfX, 0.0),
                         highX = std::fmin(centreX + halfX, wIn);
            double area = 0.0;
            for (double& t : totals) t = 0.0;
            for (int sy = static_cast<int>(lowY); sy < highY; ++sy) {
                const double wy = overlap(sy, lowY, highY);
                for (int sx = static_cast<int>(lowX); sx < highX; ++sx) {
                    const double w = wy * overlap(sx, lowX, highX);
                    const GLubyte* p = in + sy * inRow + sx * components;
                    for (int c = 0; c < components; ++c) totals[c] += p[c] * w;
                    area += w;
                }
            }
            GLubyte* q = out + y * outRow + x * components;
            for (int c = 0; c < components; ++c)
                q[c] = static_cast<GLubyte>(area > 0.0 ? totals[c] / area + 0.5 : 0.0);
        }
    }
    return 0;
}

}  // extern "C"
