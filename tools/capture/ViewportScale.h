// The demo's viewports, set in pixels of its 800 x 600 window, scaled onto frames of another
// size: here by this program's own glViewport in place of the GL's (ViewportScale.cpp), on
// Windows by the platform's, which places the picture on the screen (win32/ViewportScale.cpp).
#pragma once

// From now on a viewport given in window pixels lands scaled by target / window on each
// axis; the one in force is scaled at once.
void scaleViewports(int windowWidth, int windowHeight, int targetWidth, int targetHeight);

// Viewports land as given again, from the next one on.
void unscaleViewports();
