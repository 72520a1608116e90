// Frames that are run but not written: every command of theirs still runs (state,
// matrices, texture binds, and the random draws and globals of the scenes), but their
// vertices never reach the GL and the rasteriser discards what is left, clears included.
#pragma once

// Whether the current GL context has GL_RASTERIZER_DISCARD.
bool canDiscardRasterisation();

// Hides the frames drawn from now on, or shows them again. Call between frames only,
// never inside glBegin/glEnd.
void setFramesHidden(bool hidden);

// Whether frames are hidden now.
bool framesHidden();
