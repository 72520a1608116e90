// What the pieces of the shared SDL half tell one another; the demo sees only SDL.h and a
// platform only Platform.h.
#pragma once

#include <SDL.h>

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
