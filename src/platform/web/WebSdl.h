// What the pieces of the browser's SDL tell one another; the demo sees only sdl/SDL.h.
#pragma once

#include <SDL.h>

// The canvas the show draws on; the page gives it this id.
constexpr const char* kStageSelector = "#stage";

// SDL_Init hands each subsystem its start, SDL_Quit its end.
void startEvents();
void stopEvents();
void stopVideo();
void stopAudio();

// The mixer opens and closes SDL's audio subsystem (SDL_WasInit(SDL_INIT_AUDIO)).
void markAudioOpen(bool open);

// A surface of `width` x `height` 24-bit pixels in the layout SDL gives a 24-bit BMP:
// bytes blue, green, red, rows padded to 4 bytes. Null when out of memory.
SDL_Surface* createBgrSurface(int width, int height);
