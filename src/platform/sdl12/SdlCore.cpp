// SDL's start and end, its error text and its clock, over the platform's clock.
#include "SharedSdl.h"

#include "Platform.h"

#include <cstdarg>
#include <cstdio>

namespace {

constexpr size_t kErrorLength = 1024;

Uint32 gInitialised = 0;     // the SDL_INIT_* subsystems running
double gStartMs = 0.0;       // platform clock at the first SDL_Init
bool gClockStarted = false;  // gStartMs is set
char gError[kErrorLength];   // the last SDL_SetError text

}  // namespace

extern "C" {

int SDL_Init(Uint32 flags)
{
    if (!gClockStarted) {
        gStartMs = platformNowMs();
        gClockStarted = true;
    }
    if ((flags & SDL_INIT_VIDEO) != 0 && (gInitialised & SDL_INIT_VIDEO) == 0) startEvents();
    gInitialised |= flags & (SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO);
    return 0;
}

void SDL_Quit(void)
{
    if ((gInitialised & SDL_INIT_AUDIO) != 0) stopAudio();
    if ((gInitialised & SDL_INIT_VIDEO) != 0) {
        stopVideo();
        stopEvents();
    }
    gInitialised = 0;
}

Uint32 SDL_WasInit(Uint32 flags) { return gInitialised & flags; }

char* SDL_GetError(void) { return gError; }

void SDL_SetError(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(gError, sizeof gError, format, arguments);
    va_end(arguments);
}

Uint32 SDL_GetTicks(void)
{
    if (!gClockStarted) return 0;
    // Whole milliseconds; the counter wraps past 2^32 as SDL's does.
    return static_cast<Uint32>(static_cast<unsigned long long>(platformNowMs() - gStartMs));
}

}  // extern "C"

// SDL_mixer opens and closes the audio subsystem itself.
void markAudioOpen(bool open)
{
    if (open) gInitialised |= SDL_INIT_AUDIO;
    else gInitialised &= ~static_cast<Uint32>(SDL_INIT_AUDIO);
}
