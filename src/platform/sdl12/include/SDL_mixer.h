// The browser build's SDL_mixer: the music calls the demo makes, played through the
// browser's own audio (see SDL.h here).
#pragma once

#include "SDL.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _Mix_Music Mix_Music;

// Accepts any format; the browser resamples the music to its own device.
int Mix_OpenAudio(int frequency, Uint16 format, int channels, int chunkSize);
void Mix_CloseAudio(void);

Mix_Music* Mix_LoadMUS(const char* file);
Mix_Music* Mix_LoadMUS_RW(SDL_RWops* source);
void Mix_FreeMusic(Mix_Music* music);
// loops -1: without end; n >= 0: n more times after the first.
int Mix_PlayMusic(Mix_Music* music, int loops);
int Mix_FadeInMusic(Mix_Music* music, int loops, int ms);

#define Mix_GetError SDL_GetError
#define Mix_SetError SDL_SetError

#ifdef __cplusplus
}
#endif
