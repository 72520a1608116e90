#include "effects/Cube.h"

#include "assets/Texture.h"

#include <GL/gl.h>
#include <cmath>

namespace {

struct Corner {
    float x, y, z;  // in units of halfSize
    float s, t;     // texture coordinate
};

struct Face {
    Vector3 normalPoints[3];  // unit-cube points whose plane gives the face normal
    Corner corners[4];        // counter-clockwise seen from outside
};

// t runs on past 1 on the last three faces; the texture's GL_REPEAT wrap shows each
// face the whole image once.
const Face kFaces[6] = {
    // top (+y)
    {{{-1, 1, 1}, {1, 1, 1}, {1, 1, -1}},
     {{-1, 1, 1, 1, 1}, {1, 1, 1, 1, 0}, {1, 1, -1, 0, 0}, {-1, 1, -1, 0, 1}}},
    // bottom (-y)
    {{{-1, -1, 1}, {-1, -1, -1}, {1, -1, -1}},
     {{-1, -1, 1, 1, 0}, {-1, -1, -1, 0, 0}, {1, -1, -1, 0, 1}, {1, -1, 1, 1, 1}}},
    // front (+z): the face turned to the viewer at angle 0
    {{{-1, 1, 1}, {-1, -1, 1}, {1, 1, 1}},
     {{-1, 1, 1, 1, 0}, {-1, -1, 1, 0, 0}, {1, -1, 1, 0, 1}, {1, 1, 1, 1, 1}}},
    // right (+x)
    {{{1, 1, 1}, {1, -1, 1}, {1, 1, -1}},
     {{1, 1, 1, 1, 1}, {1, -1, 1, 0, 1}, {1, -1, -1, 0, 2}, {1, 1, -1, 1, 2}}},
    // back (-z)
    {{{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}},
     {{1, -1, -1, 0, 2}, {-1, -1, -1, 0, 3}, {-1, 1, -1, 1, 3}, {1, 1, -1, 1, 2}}},
    // left (-x)
    {{{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}},
     {{-1, -1, -1, 0, 3}, {-1, -1, 1, 1, 3}, {-1, 1, 1, 1, 4}, {-1, 1, -1, 0, 4}}},
};

Vector3 faceNormal(const Face& face)
{
    return computeNormal(face.normalPoints[0], face.normalPoints[1], face.normalPoints[2]);
}

}  // namespace

Vector3 computeNormal(Vector3 a, Vector3 b, Vector3 c)
{
    const double ux = double(a.x) - b.x, uy = double(a.y) - b.y, uz = double(a.z) - b.z;
    const double vx = double(b.x) - c.x, vy = double(b.y) - c.y, vz = double(b.z) - c.z;
    const double nx = uy * vz - uz * vy;
    const double ny = uz * vx - ux * vz;
    const double nz = ux * vy - uy * vx;
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (length == 0.0) return {0.0f, 0.0f, 0.0f};  // no plane: no direction to give
    return {float(nx / length), float(ny / length), float(nz / length)};
}

void drawCube(const Texture& texture, float x, float y, float z, float angle, float halfSize)
{
    glTranslatef(x, y, z);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);
    glRotatef(angle, 1.0f, 0.6f, 0.0f);
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture.id);
    Vector3 normal = faceNormal(kFaces[0]);
    glBegin(GL_QUADS);
    for (int f = 0; f < 6; ++f) {
        if (f > 0) normal = faceNormal(kFaces[f]);
        glNormal3f(normal.x, normal.y, normal.z);
        for (const Corner& c : kFaces[f].corners) {
            glTexCoord2f(c.s, c.t);
            glVertex3f(c.x * halfSize, c.y * halfSize, c.z * halfSize);
        }
    }
    glEnd();
}
