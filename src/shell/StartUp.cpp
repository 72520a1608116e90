// Start-up, the rewind to it, and the shutdown.
#include "shell/Demo.h"

#include "assets/ImageFiles.h"
#include "assets/Music.h"
#include "assets/Texture.h"
#include "effects/Camera.h"
#include "effects/ParticleSystem.h"
#include "effects/Terrain.h"
#include "scenes/SceneFrame.h"
#include "shell/FrameLoop.h"
#include "shell/Renderer.h"
#include "shell/Schedule.h"
#include "shell/Stage.h"
#include "shell/Window.h"

#include <SDL_mixer.h>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr char kCaption[] = "Quorvane";
constexpr int kScreenBits = 16;
constexpr int kFullscreen = 1;

constexpr int kAudioRate = 22050;
constexpr int kAudioChannels = 2;
constexpr int kAudioChunk = 1024;
constexpr int kLoopForever = -1;

constexpr unsigned kUnseededRand = 1;  // the seed of a rand() never seeded

constexpr int kTerrainRows = 92;
constexpr int kTerrainCols = 128;
constexpr int kTerrainSize = 16;

constexpr int kKeyRepeatDelay = 500;
constexpr int kKeyRepeatInterval = 30;

constexpr float kFieldOfView = 45.0f;
constexpr float kNearPlane = 1.0f;
constexpr float kFarPlane = 400.0f;

// The texture each image of kImageNames is loaded into, in the list's order.
Texture* const kImageTextures[] = {
    &gParticleTexture,     &gLogoTexture,         &gFloorTexture,        &gCreditsTextures[0],
    &gCreditsTextures[1],  &gGreetingTextures[0], &gGreetingTextures[1], &gGreetingTextures[2],
    &gGreetingTextures[3], &gGreetingTextures[4], &gGreetingTextures[5],
};
static_assert(sizeof kImageTextures / sizeof kImageTextures[0] == kImageCount,
              "one texture per image");
constexpr char kDataFolder[] = "data/";

// Opens the audio device; without it the show runs silent.
bool openAudio()
{
    if (Mix_OpenAudio(kAudioRate, AUDIO_S16SYS, kAudioChannels, kAudioChunk) != 0) {
        std::fprintf(stderr, "quorvane: cannot open audio: %s; playing without sound\n",
                     Mix_GetError());
        return false;
    }
    return true;
}

// Decodes the music once the device is open (the mixer cannot play music decoded before)
// and the images are in: started from the wrong folder, the one line about the missing
// image is all there is to read.
void loadMusic()
{
    if (!gMusic.load()) {
        std::fprintf(stderr, "quorvane: cannot load %s: %s; playing without sound\n",
                     gMusic.getPath().c_str(), Mix_GetError());
    }
}

bool loadImages()
{
    for (size_t i = 0; i < kImageCount; ++i) {
        const std::string path = kDataFolder + std::string(kImageNames[i]);
        if (!kImageTextures[i]->load(path.c_str())) {
            std::fprintf(stderr,
                         "quorvane: cannot load %s: %s (run quorvane from the folder that "
                         "holds data/)\n",
                         path.c_str(), SDL_GetError());
            return false;
        }
    }
    return true;
}

}  // namespace

void seedEmitter(ParticleSystem& particles)
{
    Emitter& emitter = particles.emitter;
    emitter.life = 0.7f;
    emitter.fade = static_cast<float>((std::rand() % 100) * 0.001 + 0.05);
    emitter.angle = static_cast<float>(std::rand() % 360);
    emitter.r = 0.5f;
    emitter.g = 0.5f;
    emitter.b = 1.0f;
    emitter.x = 0.0f;
    emitter.y = -0.2f;
    emitter.z = -4.0f;
    emitter.texture = &gParticleTexture;
    emitter.speed = static_cast<float>(std::rand() % 25);
    particles.resetAll();
}

namespace {

// What start-up draws from the random sequence after the particles' construction.
void seedShow()
{
    seedEmitter(gParticles);
    gEmitterPhaseX = 0.0f;
    gEmitterPhaseY = 0.0f;
    gTerrain.generate(kTerrainRows, kTerrainCols, kTerrainSize);
    gTerrain.texture = &gFloorTexture;
}

// Black, depth-tested, textured: the GL as the first frame finds it.
void setGlDefaults() { gWindow.initGL(0.0f, 0.0f, 0.0f, 0.0f); }

// At once and at full volume: no fade-in.
void startMusic() { gMusic.play(/*fade=*/0, kLoopForever, /*fadeMs=*/0); }

}  // namespace

Texture* imageTexture(size_t index) { return kImageTextures[index]; }

Timeline* startUp()
{
    if (!gWindow.create(kCaption, kStageWidth, kStageHeight, kScreenBits, kFullscreen)) {
        if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
            std::fprintf(stderr, "quorvane: cannot start SDL video: %s\n", SDL_GetError());
        } else {
            std::fprintf(stderr, "quorvane: cannot set the %dx%d OpenGL video mode: %s\n",
                         kStageWidth, kStageHeight, SDL_GetError());
        }
        gWindow.destroy();
        return nullptr;
    }
    setGlDefaults();
    const bool audioOpen = openAudio();
    if (!loadImages()) {
        shutDown();
        return nullptr;
    }
    if (audioOpen) loadMusic();
    seedShow();
    Timeline* timeline = buildSchedule();
    SDL_EnableKeyRepeat(kKeyRepeatDelay, kKeyRepeatInterval);
    gRenderer.clear();
    gRenderer.setViewport(0, 0, kStageWidth, kStageHeight);
    gRenderer.setPerspective(kFieldOfView, kStageWidth, kStageHeight, kNearPlane, kFarPlane);
    startMusic();
    return timeline;
}

void rewindShow()
{
    std::srand(kUnseededRand);
    gParticles = ParticleSystem();
    seedShow();
    gRotation = 0.0f;
    gCamera = Camera();
    gQuit = false;
    gRenderer.undoSceneSwitches();
    setGlDefaults();
    gRenderer.clear();
    startMusic();
}

void shutDown()
{
    gMusic.release();
    Mix_CloseAudio();
    for (Texture* texture : kImageTextures) texture->release();
    gWindow.destroy();
}
