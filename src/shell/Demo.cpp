#include "shell/Demo.h"

#include "assets/Music.h"
#include "assets/Texture.h"
#include "effects/Camera.h"
#include "effects/ParticleSystem.h"
#include "effects/Renderer.h"
#include "effects/Terrain.h"
#include "scenes/SceneFrame.h"
#include "shell/FrameLoop.h"
#include "shell/Keyboard.h"
#include "shell/Window.h"
#include "timeline/Timeline.h"

#include <SDL_mixer.h>
#include <cstdio>
#include <cstdlib>

// The global objects, in the order they must be constructed (and, reversed, destroyed).
// gParticles' constructor draws the first 400 numbers of the random sequence.
// Each subsystem's header declares its own; the driver defines them all here, to keep that order.
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

namespace {

constexpr char kCaption[] = "Quorvane";
constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
constexpr int kScreenBits = 16;
constexpr int kFullscreen = 1;

constexpr int kAudioRate = 22050;
constexpr int kAudioChannels = 2;
constexpr int kAudioChunk = 1024;
constexpr int kLoopForever = -1;
constexpr int kMusicFadeMs = 2000;  // unused: the music starts at once

constexpr int kTerrainRows = 92;
constexpr int kTerrainCols = 128;
constexpr int kTerrainSize = 16;

constexpr int kKeyRepeatDelay = 500;
constexpr int kKeyRepeatInterval = 30;

constexpr float kFieldOfView = 45.0f;
constexpr float kNearPlane = 1.0f;
constexpr float kFarPlane = 400.0f;

// The images in the order they are read.
struct ImageFile {
    Texture* texture;
    const char* path;
};
const ImageFile kImages[] = {
    {&gParticleTexture, "data/t.bmp"},         {&gLogoTexture, "data/logo.bmp"},
    {&gFloorTexture, "data/floor1.bmp"},       {&gCreditsTextures[0], "data/credits0.bmp"},
    {&gCreditsTextures[1], "data/credits1.bmp"}, {&gGreetingTextures[0], "data/greet0.bmp"},
    {&gGreetingTextures[1], "data/greet1.bmp"}, {&gGreetingTextures[2], "data/greet2.bmp"},
    {&gGreetingTextures[3], "data/greet3.bmp"}, {&gGreetingTextures[4], "data/greet4.bmp"},
    {&gGreetingTextures[5], "data/greet5.bmp"},
};

// The show: one track, clips abutting from 1 ms to 85500 ms.
struct ScheduleRow {
    int32_t start;
    int32_t end;
    SceneFunction scene;
    Easing easing;
    float value;
};
const ScheduleRow kSchedule[] = {
    {1, 2000, sceneStill, Constant, 1.0f},
    {2000, 6000, sceneZoomOut, Cosine, 1.0f},
    {6000, 12000, sceneSpin, Constant, 1.0f},
    {12000, 16000, sceneParticles, Cosine, 1.0f},
    {16000, 29000, sceneCredits, Cosine, 1.0f},
    {29000, 43000, sceneSplit, Cosine, 1.0f},
    {43000, 84000, sceneGreetings, Cosine, 1.0f},
    {84000, 85500, sceneStill, Constant, 1.0f},
};
constexpr int32_t kTrackId = 0;

Uint32 sdlTicks(void* /*context*/) { return SDL_GetTicks(); }

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
    for (const ImageFile& image : kImages) {
        if (!image.texture->load(image.path)) {
            std::fprintf(stderr,
                         "quorvane: cannot load %s: %s (run quorvane from the folder that "
                         "holds data/)\n",
                         image.path, SDL_GetError());
            return false;
        }
    }
    return true;
}

void seedEmitter()
{
    Emitter& emitter = gParticles.emitter;
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
    gParticles.resetAll();
}

}  // namespace

LoopHooks realTimeHooks()
{
    LoopHooks hooks;
    hooks.ticks = sdlTicks;
    return hooks;
}

Timeline* buildSchedule()
{
    Timeline* timeline = new Timeline();
    Track* track = timeline->addTrack(kTrackId);
    for (const ScheduleRow& row : kSchedule) {
        track->addClip(row.start, row.end, row.scene, row.easing, row.value);
    }
    return timeline;
}

Timeline* startUp()
{
    if (!gWindow.create(kCaption, kScreenWidth, kScreenHeight, kScreenBits, kFullscreen)) {
        if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
            std::fprintf(stderr, "quorvane: cannot start SDL video: %s\n", SDL_GetError());
        } else {
            std::fprintf(stderr, "quorvane: cannot set the %dx%d OpenGL video mode: %s\n",
                         kScreenWidth, kScreenHeight, SDL_GetError());
        }
        gWindow.destroy();
        return nullptr;
    }
    gWindow.initGL(0.0f, 0.0f, 0.0f, 0.0f);
    const bool audioOpen = openAudio();
    if (!loadImages()) {
        shutDown();
        return nullptr;
    }
    if (audioOpen) loadMusic();
    seedEmitter();
    gEmitterPhaseX = 0.0f;
    gEmitterPhaseY = 0.0f;
    gTerrain.generate(kTerrainRows, kTerrainCols, kTerrainSize);
    gTerrain.texture = &gFloorTexture;
    Timeline* timeline = buildSchedule();
    SDL_EnableKeyRepeat(kKeyRepeatDelay, kKeyRepeatInterval);
    gRenderer.clear();
    gRenderer.setViewport(0, 0, kScreenWidth, kScreenHeight);
    gRenderer.setPerspective(kFieldOfView, kScreenWidth, kScreenHeight, kNearPlane, kFarPlane);
    gMusic.play(0, kLoopForever, kMusicFadeMs);
    return timeline;
}

void runFrameLoop(const Timeline& timeline, const LoopHooks& hooks)
{
    FrameLoop loop(timeline, hooks);
    loop.start();
    while (loop.running()) loop.pass();
}

void shutDown()
{
    gMusic.release();
    Mix_CloseAudio();
    for (const ImageFile& image : kImages) image.texture->release();
    gWindow.destroy();
}

int runGuarded(int (*body)())
{
    try {
        return body();
    } catch (int code) {
        std::fprintf(stderr, "quorvane: the show's schedule was rejected (timeline code %d)\n",
                     code);
        return 1;
    }
}
