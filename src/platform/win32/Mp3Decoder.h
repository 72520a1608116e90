// MP3 decoded by the MP3 codec Windows ships (ACM, msacm32.dll: every Windows since XP), so
// the program brings no decoder of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct DecodedSound {
    int rate = 0;                  // samples a second per channel
    int channels = 0;              // 1 or 2, interleaved
    std::vector<int16_t> samples;  // 16-bit PCM, every channel's sample in turn
};

// Decodes the MPEG audio layer III stream in `bytes` (an ID3v2 tag before it and an ID3v1
// tag after it are skipped). Returns false with the reason in *error.
bool decodeMp3(const unsigned char* bytes, size_t size, DecodedSound* sound, std::string* error);
