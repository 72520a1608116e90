// Waiting for the frame the scene has just drawn.
#pragma once

// Waits until the GL has finished every command given so far; a frame's true cost
// includes the rasterisation a software GL defers to this point.
void finishDrawing();
