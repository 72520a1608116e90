#include "effects/Terrain.h"

#include "effects/TerrainNoise.h"

#include "assets/Texture.h"

#include <GL/gl.h>
#include <cstdlib>

namespace {

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
            lattice[r][c] = noiseFromDraw(std::rand());
        }
    }
}

double Terrain::sample(double x, double y) const { return sampleNoise(lattice, x, y); }

double Terrain::fractalSum(double x, double y, double size) const
{
    return fractalNoise(lattice, x, y, size);
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
