// windows_music_check MP3 REFERENCE: decodes MP3 on the Windows build's music path (the
// system's ACM codec, as the demo plays it) and holds it against REFERENCE, the same file
// decoded natively by ffmpeg to 16-bit PCM (s16le) at its own rate and channels. Prints the
// lengths and the largest difference; exits 0 when the lengths are equal and no sample is more
// than kMaxLsb apart, 1 when not, 2 when a file cannot be read or decoded.
#include "Mp3Decoder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Two decoders of the same stream round their last bit differently.
constexpr int kMaxLsb = 4;

bool readFile(const char* path, std::vector<unsigned char>* bytes)
{
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    unsigned char buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + got);
    std::fclose(file);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: windows_music_check MP3 REFERENCE\n");
        return 2;
    }
    std::vector<unsigned char> mp3, reference;
    if (!readFile(argv[1], &mp3) || !readFile(argv[2], &reference)) {
        std::fprintf(stderr, "windows_music_check: cannot read %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    DecodedSound sound;
    std::string error;
    if (!decodeMp3(mp3.data(), mp3.size(), &sound, &error)) {
        std::fprintf(stderr, "windows_music_check: %s: %s\n", argv[1], error.c_str());
        return 2;
    }
    std::vector<int16_t> expected(reference.size() / sizeof(int16_t));
    std::memcpy(expected.data(), reference.data(), expected.size() * sizeof(int16_t));
    const size_t frames = sound.samples.size() / sound.channels;
    const size_t expectedFrames = expected.size() / sound.channels;
    int largest = 0;
    size_t beyond = 0;
    const size_t common = std::min(sound.samples.size(), expected.size());
    for (size_t i = 0; i < common; ++i) {
        const int difference = std::abs(sound.samples[i] - expected[i]);
        largest = std::max(largest, difference);
        beyond += difference > kMaxLsb ? 1 : 0;
    }
    const bool same = frames == expectedFrames && beyond == 0;
    std::printf("%s: %zu samples a channel (%.3f s at %d Hz, %d channels) against the "
                "reference's %zu; largest difference %d LSB, %zu samples beyond %d\n",
                same ? "match" : "MISMATCH", frames, static_cast<double>(frames) / sound.rate,
                sound.rate, sound.channels, expectedFrames, largest, beyond, kMaxLsb);
    return same ? 0 : 1;
}
