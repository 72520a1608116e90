#include "TerrainCache.h"

#include "FastForward.h"
#include "effects/Terrain.h"

#include <GL/gl.h>

#include <cstring>

namespace {

GLuint gList = 0;       // the recorded strips; 0 before the first recording
int32_t gListRows = 0;  // the grid the list was recorded from
int32_t gListCols = 0;
float gListHeights[Terrain::kGridSize][Terrain::kGridSize];  // its rows x cols corner

bool sameMesh(const Terrain& terrain)
{
    if (terrain.rows != gListRows || terrain.cols != gListCols) return false;
    const size_t rowBytes = sizeof(float) * static_cast<size_t>(terrain.cols);
    for (int i = 0; i < terrain.rows; ++i) {
        if (std::memcmp(gListHeights[i], terrain.heights[i], rowBytes) != 0) return false;
    }
    return true;
}

void record(const Terrain& terrain)
{
    if (gList == 0) gList = glGenLists(1);
    gListRows = terrain.rows;
    gListCols = terrain.cols;
    for (int i = 0; i < terrain.rows; ++i) {
        std::memcpy(gListHeights[i], terrain.heights[i], sizeof(float) * terrain.cols);
    }
    glNewList(gList, GL_COMPILE);
    terrain.drawStrips();
    glEndList();
}

void replayStrips(const Terrain& terrain)
{
    // A hidden frame drops its vertices on the way to the GL: recorded then, the list
    // would hold attributes only. It sends its strips as the demo does, vertices dropped.
    if (framesHidden()) {
        terrain.drawStrips();
        return;
    }
    if (gList == 0 || !sameMesh(terrain)) record(terrain);
    glCallList(gList);
}

}  // namespace

void cacheTerrain() { gTerrainStripsHook = replayStrips; }

void uncacheTerrain()
{
    gTerrainStripsHook = nullptr;
    if (gList != 0) glDeleteLists(gList, 1);
    gList = 0;
}
