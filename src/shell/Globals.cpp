// The demo's global objects, all in this one file so that they are constructed in the order
// given here (and, reversed, destroyed): C++ orders construction only within a file.
// gParticles' constructor draws the first 400 numbers of the random sequence.
// Each subsystem's header declares its own.
#include "assets/Music.h"
#include "assets/Texture.h"
#include "effects/Camera.h"
#include "effects/ParticleSystem.h"
#include "effects/Terrain.h"
#include "scenes/SceneFrame.h"
#include "shell/FrameLoop.h"
#include "shell/Keyboard.h"
#include "shell/Renderer.h"
#include "shell/Window.h"

Window gWindow;
Keyboard gKeyboard;
Renderer gRenderer;
Texture gParticleTexture;
Texture gLogoTexture;
Texture gFloorTexture;
Texture gCreditsTextures[kCreditsCount];
Texture gGreetingTextures[kGreetingCount];
Music gMusic("data/quorvane.mp3");
ParticleSystem gParticles;
Camera gCamera;

Terrain gTerrain;
bool gQuit;
float gRotation;
float gEmitterPhaseX;
float gEmitterPhaseY;
