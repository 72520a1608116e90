// What an MP3 file says about itself before any decoding: the 4-byte header of each MPEG
// audio frame and the size of an ID3v2 tag ahead of the frames. The native demo checks its
// music file with it; the Windows build describes the stream to the system's codec with it.
#pragma once

#include <cstddef>
#include <cstring>

constexpr size_t kMpegHeaderBytes = 4;
constexpr size_t kId3v2HeaderBytes = 10;

struct MpegFrameHeader {
    bool mpeg1 = false;  // MPEG-1; otherwise MPEG-2 or 2.5
    int layer = 0;       // 1, 2 or 3
    int rate = 0;        // samples a second per channel
    int bitRate = 0;     // bits a second
    int channels = 0;    // 1 or 2
    int padding = 0;     // 1 when the frame carries one slot more

    // The frame's length in bytes, its header and padding included.
    size_t length() const
    {
        if (layer == 1) return static_cast<size_t>((12 * bitRate / rate + padding) * 4);
        const int bytesPerRate = (layer == 3 && !mpeg1) ? 72 : 144;
        return static_cast<size_t>(bytesPerRate * bitRate / rate + padding);
    }
};

// Reads the frame header in the 4 bytes at h. False when they are none: no frame sync, a
// reserved version, layer or sample rate, or a free or invalid bit rate.
inline bool readMpegFrameHeader(const unsigned char* h, MpegFrameHeader* header)
{
    // Bit rates in kbit/s by bit-rate index, one row per MPEG version and layer.
    static constexpr int kBitRates[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2, 2.5 I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},  // MPEG-2, 2.5 II, III
    };
    // Sample rates in Hz by version code (MPEG-2.5, reserved, MPEG-2, MPEG-1) and rate index.
    static constexpr int kSampleRates[4][3] = {
        {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    constexpr int kReservedVersion = 1, kMpeg1Version = 3;
    constexpr int kReservedLayer = 0;  // layer codes: 3 is layer I, 2 layer II, 1 layer III
    constexpr int kFreeBitRate = 0, kBadBitRate = 15, kReservedRate = 3;
    constexpr int kMonoMode = 3;

    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return false;
    const int version = (h[1] >> 3) & 3;
    const int layerCode = (h[1] >> 1) & 3;
    const int bitRateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    if (version == kReservedVersion || layerCode == kReservedLayer ||
        bitRateIndex == kFreeBitRate || bitRateIndex == kBadBitRate || rateIndex == kReservedRate)
        return false;
    header->mpeg1 = version == kMpeg1Version;
    header->layer = 4 - layerCode;
    const int row = header->mpeg1 ? header->layer - 1 : (header->layer == 1 ? 3 : 4);
    header->bitRate = kBitRates[row][bitRateIndex] * 1000;
    header->rate = kSampleRates[version][rateIndex];
    header->channels = (h[3] >> 6) == kMonoMode ? 1 : 2;
    header->padding = (h[2] >> 1) & 1;
    return true;
}

// The bytes of the ID3v2 tag that the `size` bytes at `bytes` begin with, its header
// included (its size is four 7-bit digits); 0 when they begin with none.
inline size_t id3v2TagBytes(const unsigned char* bytes, size_t size)
{
    if (size < kId3v2HeaderBytes || std::memcmp(bytes, "ID3", 3) != 0) return 0;
    return kId3v2HeaderBytes + ((bytes[6] & 0x7Fu) << 21) + ((bytes[7] & 0x7Fu) << 14) +
           ((bytes[8] & 0x7Fu) << 7) + (bytes[9] & 0x7Fu);
}
