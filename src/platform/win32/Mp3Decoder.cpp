#include "Mp3Decoder.h"

#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

#include <cstring>

namespace {

constexpr size_t kId3v2HeaderBytes = 10;
constexpr size_t kId3v1Bytes = 128;
constexpr size_t kChunkBytes = 16 * 1024;  // compressed bytes handed to the codec at a time
constexpr int kBitsPerSample = 16;
// What the codec is told: the decoder's delay in samples, as Windows' own files state it.
constexpr WORD kCodecDelay = 1393;

// Bit rates in kbit/s of layer III by bit-rate index: MPEG-1, then MPEG-2 and 2.5.
constexpr int kBitRates[2][15] = {
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
};
// Sample rates in Hz by version code (MPEG-2.5, reserved, MPEG-2, MPEG-1) and rate index.
constexpr int kSampleRates[4][3] = {
    {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

struct FrameHeader {
    int rate = 0;
    int channels = 0;
    int bitRate = 0;      // bits a second
    int frameBytes = 0;   // without padding
};

bool readHeader(const unsigned char* h, FrameHeader* header)
{
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return false;
    const int version = (h[1] >> 3) & 3;
    const int layer = (h[1] >> 1) & 3;
    const int bitRateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitRateIndex == 0 || bitRateIndex == 15 || rateIndex == 3)
        return false;
    const bool mpeg1 = version == 3;
    header->rate = kSampleRates[version][rateIndex];
    header->bitRate = kBitRates[mpeg1 ? 0 : 1][bitRateIndex] * 1000;
    header->channels = (h[3] >> 6) == 3 ? 1 : 2;
    header->frameBytes = (mpeg1 ? 144 : 72) * header->bitRate / header->rate;
    return true;
}

struct StreamCloser {
    HACMSTREAM stream = nullptr;
    ~StreamCloser()
    {
        if (stream != nullptr) acmStreamClose(stream, 0);
    }
};

}  // namespace

bool decodeMp3(const unsigned char* bytes, size_t size, DecodedSound* sound, std::string* error)
{
    size_t start = 0;
    if (size >= kId3v2HeaderBytes && std::memcmp(bytes, "ID3", 3) == 0) {
        start = kId3v2HeaderBytes + ((bytes[6] & 0x7F) << 21) + ((bytes[7] & 0x7F) << 14) +
                ((bytes[8] & 0x7F) << 7) + (bytes[9] & 0x7F);
    }
    if (size >= start + kId3v1Bytes && std::memcmp(bytes + size - kId3v1Bytes, "TAG", 3) == 0) {
        size -= kId3v1Bytes;
    }
    FrameHeader header;
    while (start + 4 <= size && !readHeader(bytes + start, &header)) ++start;
    if (start + 4 > size) {
        *error = "no MPEG audio layer III frame in it";
        return false;
    }
    MPEGLAYER3WAVEFORMAT mp3 = {};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = static_cast<WORD>(header.channels);
    mp3.wfx.nSamplesPerSec = static_cast<DWORD>(header.rate);
    mp3.wfx.nAvgBytesPerSec = static_cast<DWORD>(header.bitRate / 8);
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.wBitsPerSample = 0;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    mp3.nBlockSize = static_cast<WORD>(header.frameBytes);
    mp3.nFramesPerBlock = 1;
    mp3.nCodecDelay = kCodecDelay;
    WAVEFORMATEX pcm = {};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = mp3.wfx.nChannels;
    pcm.nSamplesPerSec = mp3.wfx.nSamplesPerSec;
    pcm.wBitsPerSample = kBitsPerSample;
    pcm.nBlockAlign = static_cast<WORD>(pcm.nChannels * kBitsPerSample / 8);
    pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
    StreamCloser closer;
    MMRESULT result = acmStreamOpen(&closer.stream, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0, 0);
    if (result != MMSYSERR_NOERROR) {
        *error = "Windows has no MP3 decoder for it (acmStreamOpen error " +
                 std::to_string(result) + ")";
        return false;
    }
    DWORD outputBytes = 0;
    acmStreamSize(closer.stream, kChunkBytes, &outputBytes, ACM_STREAMSIZEF_SOURCE);
    std::vector<unsigned char> input(kChunkBytes);
    std::vector<unsigned char> output(outputBytes);
    ACMSTREAMHEADER chunk = {};
    chunk.cbStruct = sizeof chunk;
    chunk.pbSrc = input.data();
    chunk.cbSrcLength = kChunkBytes;
    chunk.pbDst = output.data();
    chunk.cbDstLength = outputBytes;
    result = acmStreamPrepareHeader(closer.stream, &chunk, 0);
    if (result != MMSYSERR_NOERROR) {
        *error = "the MP3 decoder refused its buffers (error " + std::to_string(result) + ")";
        return false;
    }
    sound->rate = header.rate;
    sound->channels = header.channels;
    sound->samples.clear();
    std::vector<unsigned char> pcmBytes;
    size_t next = start;       // the next compressed byte not yet in `input`
    size_t held = 0;           // compressed bytes in `input` not yet taken by the codec
    DWORD flags = ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_BLOCKALIGN;
    for (;;) {
        const size_t added = std::min(kChunkBytes - held, size - next);
        std::memcpy(input.data() + held, bytes + next, added);
        next += added;
        held += added;
        const bool last = next == size;
        if (last) flags = (flags & ~ACM_STREAMCONVERTF_BLOCKALIGN) | ACM_STREAMCONVERTF_END;
        chunk.cbSrcLength = static_cast<DWORD>(held);
        chunk.cbSrcLengthUsed = 0;
        chunk.cbDstLengthUsed = 0;
        result = acmStreamConvert(closer.stream, &chunk, flags);
        if (result != MMSYSERR_NOERROR) {
            *error = "the MP3 decoder failed (error " + std::to_string(result) + ")";
            acmStreamUnprepareHeader(closer.stream, &chunk, 0);
            return false;
        }
        flags &= ~ACM_STREAMCONVERTF_START;
        pcmBytes.insert(pcmBytes.end(), output.begin(), output.begin() + chunk.cbDstLengthUsed);
        const size_t used = std::min<size_t>(chunk.cbSrcLengthUsed, held);
        std::memmove(input.data(), input.data() + used, held - used);
        held -= used;
        if (last && (chunk.cbDstLengthUsed == 0 || held == 0)) break;
        if (!last && used == 0 && chunk.cbDstLengthUsed == 0 && held == kChunkBytes) {
            *error = "the MP3 decoder takes nothing of it";
            acmStreamUnprepareHeader(closer.stream, &chunk, 0);
            return false;
        }
    }
    acmStreamUnprepareHeader(closer.stream, &chunk, 0);
    sound->samples.resize(pcmBytes.size() / sizeof(int16_t));
    std::memcpy(sound->samples.data(), pcmBytes.data(), sound->samples.size() * sizeof(int16_t));
    if (sound->samples.empty()) {
        *error = "the MP3 decoder gave no sound for it";
        return false;
    }
    return true;
}
