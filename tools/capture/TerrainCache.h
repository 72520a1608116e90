// The landscape sent to the GL once: the demo's own strip calls of the first frame that
// is drawn are recorded into a display list, and later frames replay it. Only the start-up
// and a rewind (--loop) make the mesh; each frame compares it with the recorded one, and a
// mesh that changed is recorded again.
#pragma once

// Replays the terrain from a display list from now on; needs the GL context current.
void cacheTerrain();

// Goes back to sending every strip, and frees the list.
void uncacheTerrain();
