// The demo's driver: its global objects, the start-up, the paced frame loop and the
// shutdown. The live demo and the capture program share all of it; only the clock
// and what happens around a drawn frame differ.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <functional>

class Texture;
class Timeline;

constexpr Uint32 kFrameMs = 20;  // one drawn frame pays this much pending time

// How the frame loop reads time and what it tells its program about each frame.
struct LoopHooks {
    // Milliseconds from an arbitrary start; may wrap past 2^32.
    Uint32 (*ticks)(void* context) = nullptr;
    // Called when a frame is about to be drawn for `elapsed`; may be null.
    void (*frameStarting)(Uint32 elapsed, void* context) = nullptr;
    // Called after the scene has drawn the frame, before the buffers are swapped; may be null.
    void (*frameDrawn)(Uint32 elapsed, void* context) = nullptr;
    void* context = nullptr;  // handed to every hook
};

// The live demo's clock: SDL_GetTicks.
LoopHooks realTimeHooks();

// The texture image `index` of kImageNames (assets/ImageFiles.h) is loaded into.
Texture* imageTexture(size_t index);

// What clip `index` of the schedule shows (0 is the first), for reports; null past the last.
const char* sceneName(size_t index);

// Window, GL defaults, audio, textures, emitter, terrain, timeline, projection, music.
// On a failure that leaves nothing to show it prints one line on stderr, shuts down what
// was started and returns null; a failure of sound only is warned about and start-up goes on.
Timeline* startUp();

// Builds the timeline's one track with the show's eight clips; throws a timeline code
// should the schedule ever be invalid.
Timeline* buildSchedule();

// Draws one frame whenever more than kFrameMs are pending, until the show's length has
// elapsed or a quit was asked for (Escape, window close, SIGINT, SIGTERM).
void runFrameLoop(const Timeline& timeline, const LoopHooks& hooks);

// Frees the music and the textures while their device and context exist, closes audio
// and shuts SDL down.
void shutDown();

// Puts the show back where start-up left it, so that the next frame loop is the first pass
// again, frame for frame: the random sequence restarted (srand(1)) and the particles,
// emitter, phases and terrain drawn from it anew in start-up's order, the spin and the
// camera at rest, the GL switches the scenes leave on turned off, no quit pending, and the
// music started again from its beginning, repeating without end.
void rewindShow();

// The live demo: start-up, the frame loop on SDL's clock, the shutdown. With `loop`, a
// show that reaches its end is rewound and played again, until a quit. Returns 0, or 1
// when start-up failed (it has said why).
int playShow(bool loop);

// Runs `body`, turning a timeline code that escapes it into an error line and status 1.
int runGuarded(const std::function<int()>& body);

extern bool gQuit;  // set when the frame loop sees a quit request; ends the loop
