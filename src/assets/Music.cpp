#include "assets/Music.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// How far into the file, after any ID3v2 tag, the first two frames are looked for.
constexpr size_t kProbeBytes = 64 * 1024;
constexpr size_t kFrameHeaderBytes = 4;
constexpr size_t kId3HeaderBytes = 10;

// Bit rates in kbit/s by bit-rate index, one row per MPEG version and layer.
constexpr int kBitRates[5][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2, 2.5 layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // MPEG-2, 2.5 layers II, III
};
// Sample rates in Hz by version code (MPEG-2.5, reserved, MPEG-2, MPEG-1) and rate index.
constexpr int kSampleRates[4][3] = {
    {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

// Length in bytes of the MPEG audio frame whose header starts at h; 0 when h is no header.
size_t mpegFrameLength(const unsigned char* h)
{
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return 0;
    const int version = (h[1] >> 3) & 3;  // 0: MPEG-2.5, 1: reserved, 2: MPEG-2, 3: MPEG-1
    const int layer = (h[1] >> 1) & 3;    // 1: III, 2: II, 3: I, 0: reserved
    const int bitRateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    const int padding = (h[2] >> 1) & 1;
    if (version == 1 || layer == 0 || bitRateIndex == 0 || bitRateIndex == 15 || rateIndex == 3)
        return 0;
    const bool mpeg1 = version == 3;
    const int row = mpeg1 ? 3 - layer : (layer == 3 ? 3 : 4);
    const int bitRate = kBitRates[row][bitRateIndex] * 1000;
    const int rate = kSampleRates[version][rateIndex];
    if (layer == 3) return static_cast<size_t>((12 * bitRate / rate + padding) * 4);
    const int bytesPerRate = (layer == 1 && !mpeg1) ? 72 : 144;
    return static_cast<size_t>(bytesPerRate * bitRate / rate + padding);
}

// The mixer takes a stream that starts like MP3 (an ID3v2 tag or a frame sync) for MP3 even
// when it is cut short before its first whole frame, and then plays silence without a word.
// Such a stream must hold two whole frames in a row; anything else the mixer judges itself.
bool holdsMpegFrames(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return true;  // the mixer says why it cannot open it
    unsigned char id3[kId3HeaderBytes] = {};
    const size_t headCount = std::fread(id3, 1, sizeof id3, file);
    long start = 0;
    if (headCount == sizeof id3 && std::memcmp(id3, "ID3", 3) == 0) {
        start = static_cast<long>(kId3HeaderBytes) + ((id3[6] & 0x7F) << 21) +
                ((id3[7] & 0x7F) << 14) + ((id3[8] & 0x7F) << 7) + (id3[9] & 0x7F);
    } else if (headCount < 2 || id3[0] != 0xFF || (id3[1] & 0xE0) != 0xE0) {
        std::fclose(file);
        return true;
    }
    std::vector<unsigned char> bytes(kProbeBytes);
    std::fseek(file, start, SEEK_SET);
    const size_t count = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    for (size_t i = 0; i + kFrameHeaderBytes <= count; ++i) {
        const size_t length = mpegFrameLength(&bytes[i]);
        if (length == 0 || i + length + kFrameHeaderBytes > count) continue;
        const unsigned char* next = &bytes[i + length];
        // The next frame must follow at once, of the same version, layer and sample rate.
        if (mpegFrameLength(next) > 0 && (next[1] & 0xFE) == (bytes[i + 1] & 0xFE) &&
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
