// SDL_mixer's music calls and SDL's file streams over the platform's music backend, which
// decodes and plays whole files on its own (the browser's audio, Windows' waveOut). Here are
// the mixer's rules: the device must be open, its loop counts, and the dummy driver.
#include "SharedSdl.h"

#include "Platform.h"

#include <SDL_mixer.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

struct SDL_RWops {
    std::FILE* file;   // open for reading, closed by SDL_FreeRW
    std::string path;  // for messages
};

struct _Mix_Music {
    int backend = 0;  // the platform's handle; 0 when the dummy driver plays nothing
};

namespace {

constexpr int kLoopForever = -1;
constexpr int kPlayForever = 0;  // platformPlayMusic's `plays` for a music without end

constexpr char kDummyDriver[] = "dummy";

bool gAudioOpen = false;  // between Mix_OpenAudio and Mix_CloseAudio
bool gSilent = false;     // SDL_AUDIODRIVER=dummy: accept everything, play nothing

// Mix_SetPostMix's function, called on the platform's audio thread: the lock keeps it and its
// context together while the demo's thread changes them.
std::mutex gPostMixLock;
void (*gPostMix)(void*, Uint8*, int) = nullptr;
void* gPostMixContext = nullptr;

int play(Mix_Music* music, int loops, int fadeMs)
{
    if (!gAudioOpen) {
        SDL_SetError("Audio device hasn't been opened");
        return -1;
    }
    if (music == nullptr) {
        SDL_SetError("music parameter was NULL");
        return -1;
    }
    if (gSilent || music->backend == 0) return 0;
    // As SDL_mixer 1.2 counts: 0 and 1 play once, n plays n times, -1 without end.
    const int plays = loops == kLoopForever ? kPlayForever : (loops < 1 ? 1 : loops);
    platformPlayMusic(music->backend, plays, fadeMs > 0 ? fadeMs : 0);
    return 0;
}

bool readAll(std::FILE* file, std::vector<unsigned char>* bytes)
{
    constexpr size_t kChunk = 64 * 1024;
    if (std::fseek(file, 0, SEEK_SET) != 0) return false;
    size_t used = 0;
    for (;;) {
        bytes->resize(used + kChunk);
        const size_t count = std::fread(bytes->data() + used, 1, kChunk, file);
        used += count;
        if (count < kChunk) break;
    }
    bytes->resize(used);
    return std::ferror(file) == 0;
}

}  // namespace

void stopAudio()
{
    if (gAudioOpen) Mix_CloseAudio();
}

void sdlMixed(Uint8* stream, int length)
{
    const std::lock_guard<std::mutex> lock(gPostMixLock);
    if (gPostMix != nullptr) gPostMix(gPostMixContext, stream, length);
}

extern "C" {

SDL_RWops* SDL_RWFromFile(const char* file, const char* mode)
{
    std::FILE* opened = file != nullptr && mode != nullptr ? std::fopen(file, mode) : nullptr;
    if (opened == nullptr) {
        SDL_SetError("Couldn't open %s", file != nullptr ? file : "(null)");
        return nullptr;
    }
    return new SDL_RWops{opened, file};
}

void SDL_FreeRW(SDL_RWops* area)
{
    if (area == nullptr) return;
    std::fclose(area->file);
    delete area;
}

int Mix_OpenAudio(int /*frequency*/, Uint16 /*format*/, int /*channels*/, int /*chunkSize*/)
{
    // The backend plays at its device's own rate and format.
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    gSilent = driver != nullptr && std::strcmp(driver, kDummyDriver) == 0;
    if (!gSilent && !platformOpenAudio()) return -1;
    gAudioOpen = true;
    markAudioOpen(true);
    return 0;
}

char* SDL_AudioDriverName(char* name, int length)
{
    if (!gAudioOpen || name == nullptr || length <= 0) return nullptr;
    std::snprintf(name, static_cast<size_t>(length), "%s",
                  gSilent ? kDummyDriver : platformAudioDriverName());
    return name;
}

void Mix_CloseAudio(void)
{
    if (!gAudioOpen) return;
    if (!gSilent) platformCloseAudio();
    gAudioOpen = false;
    markAudioOpen(false);
}

Mix_Music* Mix_LoadMUS(const char* file)
{
    SDL_RWops* source = SDL_RWFromFile(file, "rb");
    if (source == nullptr) return nullptr;
    Mix_Music* music = Mix_LoadMUS_RW(source);
    SDL_FreeRW(source);
    return music;
}

Mix_Music* Mix_LoadMUS_RW(SDL_RWops* source)
{
    if (source == nullptr) {
        SDL_SetError("No file source");
        return nullptr;
    }
    Mix_Music* music = new Mix_Music;
    if (!gSilent) {
        std::vector<unsigned char> bytes;
        if (!readAll(source->file, &bytes)) {
            SDL_SetError("Couldn't read %s", source->path.c_str());
            delete music;
            return nullptr;
        }
        music->backend = platformLoadMusic(bytes.data(), bytes.size(), source->path.c_str());
        if (music->backend <= 0) {
            delete music;
            return nullptr;
        }
    }
    return music;
}

void Mix_FreeMusic(Mix_Music* music)
{
    if (music == nullptr) return;
    if (music->backend > 0) platformFreeMusic(music->backend);
    delete music;
}

int Mix_PlayMusic(Mix_Music* music, int loops) { return play(music, loops, 0); }

int Mix_FadeInMusic(Mix_Music* music, int loops, int ms) { return play(music, loops, ms); }

void Mix_SetPostMix(void (*mixed)(void* context, Uint8* stream, int length), void* context)
{
    const std::lock_guard<std::mutex> lock(gPostMixLock);
    gPostMix = mixed;
    gPostMixContext = context;
}

}  // extern "C"
