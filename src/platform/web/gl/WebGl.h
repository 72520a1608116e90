// The browser build's OpenGL: the GL 1.1 and GLU calls the demo makes, implemented over
// WebGL 2. Vertices are transformed, lit and given their fog distance as they are issued
// (GL's per-vertex maths, in single precision); the shaders texture and fog per fragment.
// A frame's primitives are collected and sent at webGlPresent, as few draws as the state
// changes allow. The demo's own code calls the usual gl*/glu* functions (declared by
// <GL/gl.h> and <GL/glu.h>); this header is the little the web platform layer needs
// besides them.
#pragma once

// Creates a WebGL 2 context on the canvas `canvasSelector` (e.g. "#stage") with a depth
// buffer, makes it current and prepares the shaders. Returns false, after one
// "quorvane: ..." line on stderr, when the browser has no WebGL 2.
bool webGlOpen(const char* canvasSelector);

// Sends what is still batched to WebGL. The platform layer calls it where the native
// program swaps buffers, once per drawn frame.
void webGlPresent();

// While hidden, drawing calls are dropped but every state change still takes effect, so
// frames skipped on the way to a later one leave the GL exactly as if they had been drawn.
void webGlSetFramesHidden(bool hidden);
