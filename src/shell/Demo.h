// The demo's driver: the start-up, the rewind, the live run and the shutdown. The live demo
// and the capture program share all of it; only the clock and what happens around a drawn
// frame differ (shell/FrameLoop.h). The global objects are defined in Globals.cpp, the
// schedule in Schedule.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class ParticleSystem;
class Texture;
class Timeline;

// The texture image `index` of kImageNames (assets/ImageFiles.h) is loaded into.
Texture* imageTexture(size_t index);

// Window, GL defaults, audio, textures, emitter, terrain, timeline, projection, music.
// On a failure that leaves nothing to show it prints one line on stderr, shuts down what
// was started and returns null; a failure of sound only is warned about and start-up goes on.
Timeline* startUp();
// All of start-up but the music, for a show that starts it with its first frame.
Timeline* prepareShow();
// What the last start-up failed at, as its line says it ("cannot load data/x.bmp: ...") but
// without the native hint about the folder to run from, for a platform that words its
// failures itself; empty when it did not fail.
const std::string& startUpFailure();

// Gives `particles` the show's emitter, drawing three numbers from rand(), and respawns
// every particle from it: start-up's seeding of gParticles.
void seedEmitter(ParticleSystem& particles);

// Puts the show back where start-up left it, so that the next frame loop is the first pass
// again, frame for frame: the random sequence restarted (srand(1)) and the particles,
// emitter, phases and terrain drawn from it anew in start-up's order, the spin and the
// camera at rest, the GL switches the scenes leave on turned off, no quit pending, and the
// music started again from its beginning, repeating without end.
void rewindShow();
// The rewind without the music.
void resetShow();

// Starts the music and waits until the device plays it and it has played `elapsed` ms: the
// frame drawn for that moment is then shown with its sound. A sound server may hold a new
// stream back for a second or more. No wait without a device that is heard or without
// music; past 3 s one line says so and the show goes on. Escape or a quit request ends the
// wait and sets gQuit.
void startMusicAt(uint32_t elapsed);

// Frees the music and the textures while their device and context exist, closes audio
// and shuts SDL down.
void shutDown();

// The live demo: start-up, the frame loop on SDL's clock, the shutdown. With `loop`, a
// show that reaches its end is rewound and played again, until a quit. Returns 0, or 1
// when start-up failed (it has said why).
int playShow(bool loop);

// Runs `body`, turning a timeline code that escapes it into an error line and status 1.
int runGuarded(const std::function<int()>& body);
