#include "effects/Terrain.h"

#include "assets/Texture.h"

#include <GL/gl.h>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kRandRange = 32768;  // draws are taken mod this and divided by it, exactly

// Remainder that stays in [0, modulus) for negative numbers too, so the noise wraps
// continuously on both sides of zero.
int floorMod(int64_t value, int modulus)
{
    const int64_t r = value % modulus;
    return static_cast<int>(r < 0 ? r + modulus : r);
}

int32_t clampToGrid(int32_t n)
{
    if (n < 0) return 0;
    return n > Terrain::kGridSize ? Terrain::kGridSize : n;
}

}  // namespace

void Terrain::fillLattice()
{
    for (int r = 0; r < kLatticeSize; ++r) {
        for (int c = 0; c < kLatticeSize; ++c) {
            lattice[r][c] = static_cast<double>(std::rand() % kRandRange) / kRandRange;
        }
    }
}

double Terrain::sample(double x, double y) const
{
    if (!std::isfinite(x) || !std::isfinite(y)) return 0.0;
    // For x, y >= 0 the floor is the plain integer part; below zero it keeps the fractional
    // part in [0, 1) and, with the floored modulo, the noise continuous across zero.
    const double wholeX = std::floor(x), wholeY = std::floor(y);
    const double fx = x - wholeX, fy = y - wholeY;
    const int x0 = floorMod(static_cast<int64_t>(std::fmod(wholeX, kLatticeSize)), kLatticeSize);
    const int y0 = floorMod(static_cast<int64_t>(std::fmod(wholeY, kLatticeSize)), kLatticeSize);
    const int x1 = (x0 + kLatticeSize - 1) % kLatticeSize;  // the previous row; before 0 is 127
    const int y1 = (y0 + kLatticeSize - 1) % kLatticeSize;
    return fx * fy * lattice[x0][y0] + fx * (1 - fy) * lattice[x0][y1] +
           (1 - fx) * fy * lattice[x1][y0] + (1 - fx) * (1 - fy) * lattice[x1][y1];
}

double Terrain::fractalSum(double x, double y, double size) const
{
    const double initial = size;
    double total = 0.0;
    while (size >= 1.0) {
        total = total + sample(x / size, y / size) * size;
        size = size * 0.5;
    }
    return total * 16.0 / initial;
}

void Terrain::generate(int32_t rows, int32_t cols, int32_t size)
{
    this->rows = clampToGrid(rows);
    this->cols = clampToGrid(cols);
    fillLattice();
    for (int i = 0; i < this->rows; ++i) {
        for (int j = 0; j < this->cols; ++j) {
            heights[i][j] = static_cast<float>(fractalSum(i, j, static_cast<double>(size)));
        }
    }
}

TerrainStripsHook gTerrainStripsHook = nullptr;

void Terrain::draw(float x, float y, float z) const
{
    glPushMatrix();
    glTranslatef(x, y, z);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture != nullptr ? texture->id : 0);
    if (gTerrainStripsHook != nullptr) gTerrainStripsHook(*this);
    else drawStrips();
    glPopMatrix();
}

void Terrain::drawStrips() const
{
    const float rowsF = static_cast<float>(rows), colsF = static_cast<float>(cols);
    for (int i = 0; i + 1 < rows; ++i) {
        for (int j = 0; j + 1 < cols; ++j) {
            glBegin(GL_TRIANGLE_STRIP);
            glTexCoord2f(i / rowsF, j / colsF);
            glVertex3f(float(i), heights[i][j], float(j));
            glTexCoord2f(i / rowsF, (j + 1) / colsF);
            glVertex3f(float(i), heights[i][j + 1], float(j + 1));
            glTexCoord2f((i + 1) / rowsF, j / colsF);
            glVertex3f(float(i + 1), heights[i + 1][j], float(j));
            glTexCoord2f((i + 1) / rowsF, (j + 1) / colsF);
            glVertex3f(float(i + 1), heights[i + 1][j + 1], float(j + 1));
            glEnd();
        }
    }
}
