#pragma once

#include "Canvas.h"
#include "TerrainHeights.h"

constexpr int kFloorSize = 512;

// The landscape's texture, laid once over the whole height grid: colours
// follow the hills (lakes in the hollows, meadows, forest, rock, snow on the
// tops), with the light's shading painted in because the mesh itself is lit
// flat, and large patches of changing hue that survive the grey fog.
Canvas makeFloor(const TerrainHeights& terrain);
