// The prologue and epilogue the scenes share, and the cube spin angle.
#pragma once

extern float gRotation;       // spin angle of every spinning cube, degrees
extern float gEmitterPhaseX;  // phase of the emitter's sideways wander, radians
extern float gEmitterPhaseY;  // phase of the emitter's vertical wander, radians

// Where every scene puts the terrain's grid origin: a floor below and ahead of the viewer.
inline constexpr float kTerrainOrigin[3] = {-48.0f, -32.0f, -128.0f};

// GL state, clear colour, fog, light, clear, camera and terrain, then pushes the turned
// frame in which the scene places its cubes: (x, y, z) there lies at (y, -x, z) on screen.
// The caller pops it once after its cubes.
void beginScene();

// Moves the emitter along its wander, draws the fountain additively and updates it.
void stepFountain(float phaseStepX, float phaseStepY, float amplitudeX, float amplitudeY);

// The seven scene functions the timeline calls.
void sceneStill(float x);
void sceneZoomOut(float x);
void sceneSpin(float x);
void sceneParticles(float x);
void sceneCredits(float x);
void sceneSplit(float x);
void sceneGreetings(float x);
