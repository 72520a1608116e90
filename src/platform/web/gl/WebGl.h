// The browser build's OpenGL: the GL 1.1 and GLU calls the demo makes are recorded by
// src/platform/gl11 and each frame is replayed over WebGL 2 here. The demo's own code
// calls the usual gl*/glu* functions (declared by <GL/gl.h> and <GL/glu.h>); this header
// is the little the web platform layer and the page need besides them.
#pragma once

#include <cstdint>
#include <vector>

// Creates a WebGL 2 context on the canvas `canvasSelector` (e.g. "#stage") with a depth
// buffer, makes it current and prepares the shaders. Returns false, after one
// "quorvane: ..." line on stderr, when the browser has no WebGL 2.
bool webGlOpen(const char* canvasSelector);

// Draws the frame recorded since the last call and starts the next one. The platform
// layer calls it where the native program swaps buffers, once per drawn frame.
void webGlPresent();

// While hidden, drawing calls are dropped but every state change still takes effect, so
// frames skipped on the way to a later one leave the GL exactly as if they had been drawn.
void webGlSetFramesHidden(bool hidden);

// The frame last shown drawn again offscreen at width x height (4:3), multisampled as the
// page's drawing buffer is when `multisampled`: opaque RGBA rows in *rgba, the top row
// first. False after one "quorvane: ..." line (no frame shown yet, the context lost, a
// size WebGL cannot draw). What the canvas shows is left alone.
bool webGlDrawPicture(int width, int height, bool multisampled, std::vector<uint8_t>* rgba);

// For the page (Module._webGl...); each returns 0, or 1 after one "quorvane: ..." line.
extern "C" {
// The drawing buffer's size, 800x600 unless set: the canvas's width and height become
// these, and the demo's 800x600 viewport lands on the whole of it. Any time; 4:3 only.
int webGlSetDrawingBufferSize(int width, int height);
// Asks for a multisampled drawing buffer where the browser offers one (on: non-zero).
// Only before the show starts, which makes the context.
int webGlRequestMultisampling(int on);
// From the canvas's webglcontextlost event (whose default the page must prevent, or the
// context is never restored): every WebGL object is dropped and frames are not drawn.
int webGlContextLost(void);
// From its webglcontextrestored event: programs, buffers and textures are made again and
// the next frame is drawn as if nothing had happened.
int webGlContextRestored(void);
}
