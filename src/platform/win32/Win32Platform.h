// What the Windows pieces tell one another, and what a program built on them (the capture
// program) may ask of them beyond SDL.
#pragma once

// Where the demo's picture lies in what is drawn to, in pixels from the bottom left, as
// glViewport counts.
struct PictureRect {
    int x = 0;       // left edge
    int y = 0;       // bottom edge
    int width = 0;   // in pixels
    int height = 0;  // in pixels
};

// The next SDL_SetVideoMode opens a window of the mode's own size instead of covering the
// screen, whatever its flags: the capture program reads its frames back from it.
void win32UseWindow();

// The demo's viewports are given in pixels of its video mode (`modeWidth` x `modeHeight`);
// from now on they land on `picture`, scaled on each axis, and the last one given is set
// again at once. The live show places the picture on the screen; the capture program moves
// it into its own framebuffer.
void win32MapViewports(int modeWidth, int modeHeight, const PictureRect& picture);
