#include "FrameGrab.h"

#include <GL/gl.h>

void finishDrawing() { glFinish(); }
