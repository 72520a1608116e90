// The seam between the shared SDL 1.2 subset (this folder) and a platform (src/platform/web,
// src/platform/win32, ...). A platform implements exactly the platform* functions below and
// links the shared half (sources.cmake); the shared half keeps every rule SDL, SDL_image and
// SDL_mixer 1.2 make: init and error text, surfaces, the event queue and key state, image
// decoding, loop counts. Every platform* call comes from the demo's own thread.
#pragma once

#include <SDL.h>

#include <cstddef>

// ---- What a platform supplies ----

// Clock: milliseconds from any fixed start, never going back, fractions allowed. SDL_GetTicks
// counts from its first reading (the first SDL_Init).
double platformNowMs();

// Video. Opens the window with an OpenGL 1.1 context of `width` x `height` (the platform may
// show it scaled, e.g. a canvas the page sizes) and makes it current; `fullscreen` when
// SDL_FULLSCREEN was asked for. The GL attributes asked for are at sdlGlAttribute. Called on
// every SDL_SetVideoMode, also again while open. Returns false after SDL_SetError on failure.
bool platformOpenVideo(int width, int height, bool fullscreen);
// Closes what platformOpenVideo opened (SDL_Quit); GL calls are not made after it.
void platformCloseVideo();
// The address of the GL function `name` in the open context, an extension's included
// (SDL_GL_GetProcAddress); null when the platform's GL has none of that name.
void* platformGlProcAddress(const char* name);
// Shows the frame drawn since the last call (SDL_GL_SwapBuffers).
void platformPresent();
// The window's title (SDL_WM_SetCaption).
void platformSetCaption(const char* title);

// Events. Start listening for the keyboard and for a request to close (SDL_Init with
// SDL_INIT_VIDEO), and stop (SDL_Quit).
void platformStartEvents();
void platformStopEvents();
// Hands what arrived since the last call to sdlPostKey and sdlPostQuit (SDL_PumpEvents):
// nothing reaches the demo between pumps.
void platformPumpEvents();

// Music: one backend that plays whole files, the device's format its own.
// Opens the sound device (Mix_OpenAudio); false after SDL_SetError when there is none.
bool platformOpenAudio();
// Stops every music and closes the device (Mix_CloseAudio).
void platformCloseAudio();
// Makes a music from a file's `size` bytes (MP3 here), ready to play; `name` is the file's,
// for messages. Returns a handle > 0, or 0 after SDL_SetError.
int platformLoadMusic(const unsigned char* bytes, size_t size, const char* name);
// Plays the music from its beginning, `plays` times in all (0: without end), its volume rising
// from silence over `fadeMs` (0: full volume at once); any other music stops.
void platformPlayMusic(int music, int plays, int fadeMs);
// Frees a music made by platformLoadMusic, stopping it if it plays.
void platformFreeMusic(int music);
// The audio driver's name, as SDL_AudioDriverName gives it.
const char* platformAudioDriverName();

// ---- What the shared half offers a platform ----

// A key went down or up (`repeat`: held down and repeated by the system) or the user asked to
// close the show. Called from platformPumpEvents only; the shared half keeps the key state and
// queues the events, as SDL 1.2 does (repeats only after SDL_EnableKeyRepeat).
void sdlPostKey(SDLKey key, bool down, bool repeat);
void sdlPostQuit();

// A buffer of music is ready for the device: hands it to Mix_SetPostMix's function. Called
// from the platform's own audio thread, like SDL_mixer's, for every buffer it fills while a
// music plays; a platform that hands the whole file to a player of its own never calls it.
void sdlMixed(Uint8* stream, int length);

// The SDL 1.2 key of a key code as Windows (virtual-key codes) and browsers (KeyboardEvent
// .keyCode) number keys: the two agree. `right`: the right-hand one of Shift, Ctrl or Alt.
// SDLK_UNKNOWN for a key the demo has no use for.
SDLKey sdlKeyOfCode(unsigned long code, bool right);

// The value SDL_GL_SetAttribute last gave `attribute`, or -1 when none was given.
int sdlGlAttribute(SDL_GLattr attribute);
