#include "assets/Music.h"

#include "assets/MpegHeader.h"

#include <SDL.h>

#include <cstdio>
#include <vector>

namespace {

// How far into the file, after any ID3v2 tag, the first two frames are looked for.
constexpr size_t kProbeBytes = 64 * 1024;

// The mixer takes a stream that starts like MP3 (an ID3v2 tag or a frame sync) for MP3 even
// when it is cut short before its first whole frame, and then plays silence without a word.
// Such a stream must hold two whole frames in a row; anything else the mixer judges itself.
bool holdsMpegFrames(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return true;  // the mixer says why it cannot open it
    unsigned char head[kId3v2HeaderBytes] = {};
    const size_t headCount = std::fread(head, 1, sizeof head, file);
    const long start = static_cast<long>(id3v2TagBytes(head, headCount));
    if (start == 0 && (headCount < 2 || head[0] != 0xFF || (head[1] & 0xE0) != 0xE0)) {
        std::fclose(file);
        return true;
    }
    std::vector<unsigned char> bytes(kProbeBytes);
    std::fseek(file, start, SEEK_SET);
    const size_t count = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    MpegFrameHeader frame;
    for (size_t i = 0; i + kMpegHeaderBytes <= count; ++i) {
        if (!readMpegFrameHeader(&bytes[i], &frame)) continue;
        const size_t length = frame.length();
        if (i + length + kMpegHeaderBytes > count) continue;
        const unsigned char* next = &bytes[i + length];
        // The next frame must follow at once, of the same version, layer and sample rate.
        if (readMpegFrameHeader(next, &frame) && (next[1] & 0xFE) == (bytes[i + 1] & 0xFE) &&
            (next[2] & 0x0C) == (bytes[i + 2] & 0x0C))
            return true;
    }
    Mix_SetError("no whole MPEG audio frame in it");
    return false;
}

}  // namespace

Music::Music(std::string path) : path(std::move(path)) {}

Music::~Music() { release(); }

bool Music::load()
{
    release();
    if (!holdsMpegFrames(path)) return false;
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
