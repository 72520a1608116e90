#include "shell/Demo.h"

#include "assets/ImageFiles.h"
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
#include "timeline/Timeline.h"

#include <SDL_mixer.h>
#include <cstdio>
#include <cstdlib>
#include <string>

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
constexpr int kMusicFade = 0;  // off: the music starts at once, at full volume
constexpr int kMusicFadeMs = 2000;  // what a fade-in would take

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

// The show: one track, clips abutting from 1 ms to 85500 ms.
struct ScheduleRow {
    int32_t start;
    int32_t end;
    SceneFunction scene;
    Easing easing;
    float value;
    const char* name;  // what the clip shows, in reports
};
const ScheduleRow kSchedule[] = {
    {1, 2000, sceneStill, Constant, 1.0f, "opening still"},
    {2000, 6000, sceneZoomOut, Cosine, 1.0f, "zoom out"},
    {6000, 12000, sceneSpin, Constant, 1.0f, "spin"},
    {12000, 16000, sceneParticles, Cosine, 1.0f, "particles"},
    {16000, 29000, sceneCredits, Cosine, 1.0f, "credits"},
    {29000, 43000, sceneSplit, Cosine, 1.0f, "split"},
    {43000, 84000, sceneGreetings, Cosine, 1.0f, "greetings"},
    {84000, 85500, sceneStill, Constant, 1.0f, "closing still"},
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

// What start-up draws from the random sequence after the particles' construction.
void seedShow()
{
    seedEmitter();
    gEmitterPhaseX = 0.0f;
    gEmitterPhaseY = 0.0f;
    gTerrain.generate(kTerrainRows, kTerrainCols, kTerrainSize);
    gTerrain.texture = &gFloorTexture;
}

// Black, depth-tested, textured: the GL as the first frame finds it.
void setGlDefaults() { gWindow.initGL(0.0f, 0.0f, 0.0f, 0.0f); }

void startMusic() { gMusic.play(kMusicFade, kLoopForever, kMusicFadeMs); }

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

Texture* imageTexture(size_t index) { return kImageTextures[index]; }

const char* sceneName(size_t index)
{
    return index < sizeof kSchedule / sizeof kSchedule[0] ? kSchedule[index].name : nullptr;
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
    gRenderer.setViewport(0, 0, kScreenWidth, kScreenHeight);
    gRenderer.setPerspective(kFieldOfView, kScreenWidth, kScreenHeight, kNearPlane, kFarPlane);
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
    for (Texture* texture : kImageTextures) texture->release();
    gWindow.destroy();
}

int playShow(bool loop)
{
    Timeline* timeline = startUp();
    if (timeline == nullptr) return 1;
    runFrameLoop(*timeline, realTimeHooks());
    while (loop && !gQuit) {
        rewindShow();
        runFrameLoop(*timeline, realTimeHooks());
    }
    shutDown();
    return 0;
}

int runGuarded(const std::function<int()>& body)
{
    try {
        return body();
    } catch (int code) {
        std::fprintf(stderr, "quorvane: the show's schedule was rejected (timeline code %d)\n",
                     code);
        return 1;
    }
}
