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
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr char kCaption[] = "Quorvane";
constexpr int kScreenBits = 16;
constexpr int kFullscreen = 1;

constexpr int kAudioRate = 22050;
constexpr int kAudioChannels = 2;
constexpr int kAudioChunk = 1024;
constexpr int kLoopForever = -1;

// How long the show waits for its music to start playing before it starts without it.
constexpr auto kMusicStartBound = std::chrono::seconds(3);
constexpr auto kMusicStartPoll = std::chrono::milliseconds(1);
constexpr unsigned kPassesUntilHeard = 2;  // see gMixPasses
constexpr char kDummyDriver[] = "dummy";   // SDL's audio driver that nobody hears
constexpr int kDriverNameLength = 32;

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

std::string gStartUpFailure;  // what the last start-up failed at; empty when it did not

// The mixer's passes, counted on its thread. The first one after Mix_PlayMusic has the music
// in it, and the device asks for the next once it plays that one: the music is heard from
// then on. A sound server that is slow to start its stream holds both back.
std::atomic<unsigned> gMixPasses{0};
unsigned gPassesAtPlay = 0;  // the count when the music was last started
bool gMusicIsHeard = false;  // a device that is heard is open and the music is loaded

void countMixPass(void* /*context*/, Uint8* /*stream*/, int /*length*/) { ++gMixPasses; }

// Opens the audio device; without it the show runs silent.
bool openAudio()
{
    if (Mix_OpenAudio(kAudioRate, AUDIO_S16SYS, kAudioChannels, kAudioChunk) != 0) {
        std::fprintf(stderr, "quorvane: cannot open audio: %s; playing without sound\n",
                     Mix_GetError());
        return false;
    }
    Mix_SetPostMix(countMixPass, nullptr);
    return true;
}

// Whether the open device is one that somebody hears (not SDL's dummy driver).
bool deviceIsHeard()
{
    char driver[kDriverNameLength] = {};
    return SDL_AudioDriverName(driver, sizeof driver) != nullptr &&
           std::strcmp(driver, kDummyDriver) != 0;
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
            gStartUpFailure = "cannot load " + path + ": " + SDL_GetError();
            std::fprintf(stderr, "quorvane: %s (run quorvane from the folder that holds data/)\n",
                         gStartUpFailure.c_str());
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
void startMusic()
{
    gMusic.play(/*fade=*/0, kLoopForever, /*fadeMs=*/0);
    // Mix_PlayMusic holds the mixer's lock: a pass counted after this began after the call.
    gPassesAtPlay = gMixPasses;
}

}  // namespace

Texture* imageTexture(size_t index) { return kImageTextures[index]; }

const std::string& startUpFailure() { return gStartUpFailure; }

Timeline* prepareShow()
{
    gStartUpFailure.clear();
    if (!gWindow.create(kCaption, kStageWidth, kStageHeight, kScreenBits, kFullscreen)) {
        if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
            gStartUpFailure = std::string("cannot start SDL video: ") + SDL_GetError();
        } else {
            gStartUpFailure = "cannot set the " + std::to_string(kStageWidth) + "x" +
                              std::to_string(kStageHeight) +
                              " OpenGL video mode: " + SDL_GetError();
        }
        std::fprintf(stderr, "quorvane: %s\n", gStartUpFailure.c_str());
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
    gMusicIsHeard = audioOpen && gMusic.handle != nullptr && deviceIsHeard();
    seedShow();
    Timeline* timeline = buildSchedule();
    SDL_EnableKeyRepeat(kKeyRepeatDelay, kKeyRepeatInterval);
    gRenderer.clear();
    gRenderer.setViewport(0, 0, kStageWidth, kStageHeight);
    gRenderer.setPerspective(kFieldOfView, kStageWidth, kStageHeight, kNearPlane, kFarPlane);
    return timeline;
}

Timeline* startUp()
{
    Timeline* timeline = prepareShow();
    if (timeline != nullptr) startMusic();
    return timeline;
}

void resetShow()
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
}

void rewindShow()
{
    resetShow();
    startMusic();
}

void startMusicAt(uint32_t elapsed)
{
    startMusic();
    if (!gMusicIsHeard) return;
    // Real time, not the show's clock: that resumes once the wait is over.
    using Clock = std::chrono::steady_clock;
    const auto quitWhileWaiting = [] {
        std::this_thread::sleep_for(kMusicStartPoll);
        if (quitAsked()) gQuit = true;
        return gQuit;
    };
    const auto deadline = Clock::now() + kMusicStartBound;
    while (gMixPasses - gPassesAtPlay < kPassesUntilHeard) {
        if (quitWhileWaiting()) return;
        if (Clock::now() >= deadline) {
            std::fprintf(stderr,
                         "quorvane: the sound did not start within %lld s; the show starts "
                         "without waiting for it\n",
                         static_cast<long long>(kMusicStartBound.count()));
            return;
        }
    }
    // The music plays from its start now; the frame is shown when it reaches the frame's time.
    const auto shown = Clock::now() + std::chrono::milliseconds(elapsed);
    while (Clock::now() < shown) {
        if (quitWhileWaiting()) return;
    }
}

void shutDown()
{
    gMusic.release();
    Mix_CloseAudio();
    for (Texture* texture : kImageTextures) texture->release();
    gWindow.destroy();
}
