// Reading the frame the scene has just drawn.
#pragma once

#include "RgbImage.h"

// Reads the back buffer (the frame drawn but not yet swapped) into `image`, top row first.
void grabBackBuffer(RgbImage* image);

// Waits until the GL has finished every command given so far; a frame's true cost
// includes the rasterisation a software GL defers to this point.
void finishDrawing();
