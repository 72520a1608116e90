// SDL_mixer for the platforms without it: the music calls the demo makes, played by the
// platform's music backend (see SDL.h here).
#pragma once

#include "SDL.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _Mix_Music Mix_Music;

// Accepts any format; the platform plays the music at its own device's.
int Mix_OpenAudio(int frequency, Uint16 format, int channels, int chunkSize);
void Mix_CloseAudio(void);

Mix_Music* Mix_LoadMUS(const char* file);
Mix_Music* Mix_LoadMUS_RW(SDL_RWops* source);
void Mix_FreeMusic(Mix_Music* music);
// loops -1: without end; n >= 0: n more times after the first.
int Mix_PlayMusic(Mix_Music* music, int loops);
int Mix_FadeInMusic(Mix_Music* music, int loops, int ms);
// `mixed` is called on the mixer's thread with each buffer of sound once the music is in it,
// before the device gets it; null stops the calls.
void Mix_SetPostMix(void (*mixed)(void* context, Uint8* stream, int length), void* context);

#define Mix_GetError SDL_GetError
#define Mix_SetError SDL_SetError

#ifdef __cplusplus
}
#endif
