// Where the demo's 4:3 picture lies on a screen of another shape, and the two black bands
// beside it (a wide screen) or above and below it (a narrow or portrait one).
#pragma once

#include "Win32Platform.h"

class Pillarbox {
public:
    // The largest rectangle of the mode's shape inside the window, centred; what is left
    // over on either side becomes the two bands.
    void place(int modeWidth, int modeHeight, int windowWidth, int windowHeight);
    // The picture is all of a window of `width` x `height`: no bands.
    void fill(int width, int height);
    // After both buffers were cleared black: the demo's clears and primitives stay inside the
    // picture from now on (the scissor).
    void confine() const;
    // After each swap: the bands black again, as a swap may leave the new back buffer undefined.
    void paintBands() const;
    const PictureRect& picture() const { return area; }

private:
    PictureRect area;       // where the picture lies in the window
    PictureRect bands[2];   // the two bands, when hasBands
    bool hasBands = false;  // the picture leaves part of the window over
};

extern Pillarbox gPillarbox;
