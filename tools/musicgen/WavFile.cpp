#include "WavFile.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace {
constexpr int kChannels = 2;
constexpr int kBytesPerSample = 2;
constexpr int kBitsPerSample = 16;
constexpr int kFormatChunkSize = 16;
constexpr int kPcmFormat = 1;
constexpr int kHeaderBytes = 44;
constexpr double kFullScale = 32767.0;

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
    const double scaled = std::floor(static_cast<double>(sample) * kFullScale + 0.5);
    if (scaled > kFullScale) return static_cast<int>(kFullScale);
    if (scaled < -kFullScale - 1.0) return static_cast<int>(-kFullScale - 1.0);
    return static_cast<int>(scaled);
}

bool writeWav(const std::string& path, const StereoSamples& samples)
{
    const uint32_t frames = static_cast<uint32_t>(samples.left.size());
    const uint32_t dataBytes = frames * kChannels * kBytesPerSample;
    std::vector<unsigned char> out;
    out.reserve(kHeaderBytes + dataBytes);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, kHeaderBytes - 8 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, kFormatChunkSize);
    put16(out, kPcmFormat);
    put16(out, kChannels);
    put32(out, samples.sampleRate);
    put32(out, samples.sampleRate * kChannels * kBytesPerSample);
    put16(out, kChannels * kBytesPerSample);
    put16(out, kBitsPerSample);
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
    if (bytes.size() < kHeaderBytes || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0 || get16(&bytes[20]) != kPcmFormat ||
        get16(&bytes[22]) != kChannels || get16(&bytes[34]) != kBitsPerSample ||
        std::memcmp(bytes.data() + 36, "data", 4) != 0)
        return false;
    const uint32_t dataBytes = get32(&bytes[40]);
    if (bytes.size() < kHeaderBytes + size_t(dataBytes)) return false;
    samples.sampleRate = static_cast<int>(get32(&bytes[24]));
    const size_t frames = dataBytes / (kChannels * kBytesPerSample);
    samples.left.resize(frames);
    samples.right.resize(frames);
    const unsigned char* p = bytes.data() + kHeaderBytes;
    for (size_t i = 0; i < frames; ++i, p += kChannels * kBytesPerSample) {
        samples.left[i] = static_cast<int16_t>(get16(p)) / 32768.0f;
        samples.right[i] = static_cast<int16_t>(get16(p + 2)) / 32768.0f;
    }
    return true;
}
