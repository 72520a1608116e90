#include "WavFile.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace {
constexpr int gChannels = 2;
constexpr int gBytesPerSample = 2;
constexpr int gBitsPerSample = 16;
constexpr int gFormatChunkSize = 16;
constexpr int gPcmFormat = 1;
constexpr int gHeaderBytes = 44;
constexpr double gFullScale = 32767.0;

void put16(std::vector<unsigned char>& out, uint32_t value)
{
    out.push_back(value & 0xff);
    out.push_back((value >> 8) & 0xff);
}

void put32(std::vector<unsigned char>& out, uint32_t value)
{
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

uint32_t get32(const unsigned char* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}
uint32_t get16(const unsigned char* p) { return p[0] | p[1] << 8; }
}

int toPcm16(float sample)
{
    const double scaled = std::floor(static_cast<double>(sample) * gFullScale + 0.5);
    if (scaled > gFullScale) return static_cast<int>(gFullScale);
    if (scaled < -gFullScale - 1.0) return static_cast<int>(-gFullScale - 1.0);
    return static_cast<int>(scaled);
}

bool writeWav(const std::string& path, const StereoSamples& samples)
{
    const uint32_t frames = static_cast<uint32_t>(samples.left.size());
    const uint32_t dataBytes = frames * gChannels * gBytesPerSample;
    std::vector<unsigned char> out;
    out.reserve(gHeaderBytes + dataBytes);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, gHeaderBytes - 8 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, gFormatChunkSize);
    put16(out, gPcmFormat);
    put16(out, gChannels);
    put32(out, samples.sampleRate);
    put32(out, samples.sampleRate * gChannels * gBytesPerSample);
    put16(out, gChannels * gBytesPerSample);
    put16(out, gBitsPerSample);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, dataBytes);
    for (uint32_t i = 0; i < frames; ++i) {
        put16(out, static_cast<uint16_t>(toPcm16(samples.left[i])));
        put16(out, static_cast<uint16_t>(toPcm16(samples.right[i])));
    }
    std::ofstream file(path, std::ios::binary);
    if (!file) return false;
    file.write(reinterpret_cast<const char*>(out.data()), out.size());
    return static_cast<bool>(file.flush());
}

bool readWav(const std::string& path, StereoSamples& samples)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    if (bytes.size() < gHeaderBytes || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0 || get16(&bytes[20]) != gPcmFormat ||
        get16(&bytes[22]) != gChannels || get16(&bytes[34]) != gBitsPerSample ||
        std::memcmp(bytes.data() + 36, "data", 4) != 0)
        return false;
    const uint32_t dataBytes = get32(&bytes[40]);
    if (bytes.size() < gHeaderBytes + size_t(dataBytes)) return false;
    samples.sampleRate = static_cast<int>(get32(&bytes[24]));
    const size_t frames = dataBytes / (gChannels * gBytesPerSample);
    samples.left.resize(frames);
    samples.right.resize(frames);
    const unsigned char* p = bytes.data() + gHeaderBytes;
    for (size_t i = 0; i < frames; ++i, p += gChannels * gBytesPerSample) {
        samples.left[i] = static_cast<int16_t>(get16(p)) / 32768.0f;
        samples.right[i] = static_cast<int16_t>(get16(p + 2)) / 32768.0f;
    }
    return true;
}
