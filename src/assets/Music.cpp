#include "assets/Music.h"

#include <SDL.h>

Music::Music(std::string path) : path(std::move(path)) {}

Music::~Music() { release(); }

bool Music::load()
{
    release();
    // By name the mixer takes any "*.mp3" for MP3 and only fails once it plays; through a
    // stream it checks the content, so a file that is no music is reported here.
    source = SDL_RWFromFile(path.c_str(), "rb");
    if (source == nullptr) {
        Mix_SetError("Couldn't open '%s'", path.c_str());
        return false;
    }
    handle = Mix_LoadMUS_RW(source);
    if (handle == nullptr) {
        SDL_FreeRW(source);
        source = nullptr;
    }
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
    if (handle != nullptr && SDL_WasInit(SDL_INIT_AUDIO) != 0) {
        // Without an open device the mixer's state is gone; the music is then left alone.
        Mix_FreeMusic(handle);
        SDL_FreeRW(source);
    }
    handle = nullptr;
    source = nullptr;
}
