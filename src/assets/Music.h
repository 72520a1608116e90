// The soundtrack: one SDL_mixer music handle.
#pragma once

#include <SDL_mixer.h>
#include <string>

class Music {
public:
    // Remembers the file; it is decoded by load once the audio device is open, since
    // the mixer cannot play music it decoded before the device existed.
    explicit Music(std::string path);
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;
    ~Music();

    // Returns false, with Mix_GetError() telling why, when the file cannot be opened or
    // its content is no music the mixer knows (recognised by content, not by name).
    bool load();
    // fade non-zero: fades in over fadeMs; otherwise starts at once. loops -1 repeats forever.
    void play(int fade, int loops, int fadeMs);
    // Frees the music now, while the audio device is still open.
    void release();

    const std::string& getPath() const { return path; }

    Mix_Music* handle = nullptr;  // the decoded music; null when none is held
private:
    std::string path;             // file read by load
    SDL_RWops* source = nullptr;  // the open file the mixer streams from; freed after it
};

extern Music gMusic;
