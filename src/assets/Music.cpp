#include "assets/Music.h"

#include <SDL.h>

Music::Music(std::string path) : path(std::move(path)) {}

Music::~Music() { release(); }

bool Music::load()
{
    release();
    handle = Mix_LoadMUS(path.c_str());
    return handle != nullptr;
}

void Music::play(int fade, int loops, int fadeMs)
{
    if (handle == nullptr) return;  // no music: the scenes run on the clock alone
    if (fade) Mix_FadeInMusic(handle, loops, fadeMs);
    else Mix_PlayMusic(handle, loops);
}

void Music::release()
{
    if (handle == nullptr) return;
    // Without an open device the mixer's state is gone; freeing then would touch freed memory.
    if (SDL_WasInit(SDL_INIT_AUDIO) != 0) Mix_FreeMusic(handle);
    handle = nullptr;
}
