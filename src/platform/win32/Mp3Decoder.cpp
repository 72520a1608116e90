#include "Mp3Decoder.h"

#include "assets/MpegHeader.h"

#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

#include <cstring>

namespace {

constexpr size_t kId3v1Bytes = 128;
constexpr size_t kChunkBytes = 16 * 1024;  // compressed bytes handed to the codec at a time
constexpr int kBitsPerSample = 16;
// What the codec is told: the decoder's delay in samples, as Windows' own files state it.
constexpr WORD kCodecDelay = 1393;

// The codec's stream with the one header prepared on it and the buffers that header
// describes, handed back however decoding ends.
struct CodecStream {
    HACMSTREAM stream = nullptr;
    ACMSTREAMHEADER chunk = {};         // over input and output
    bool prepared = false;              // chunk is prepared on the stream
    std::vector<unsigned char> input;   // compressed bytes for the codec
    std::vector<unsigned char> output;  // what it made of them

    // Unprepares and closes; false with the reason in *error when the codec refuses either.
    bool close(std::string* error)
    {
        MMRESULT result = MMSYSERR_NOERROR;
        if (prepared) result = acmStreamUnprepareHeader(stream, &chunk, 0);
        prepared = false;
        if (stream != nullptr) {
            const MMRESULT closed = acmStreamClose(stream, 0);
            if (result == MMSYSERR_NOERROR) result = closed;
        }
        stream = nullptr;
        if (result == MMSYSERR_NOERROR) return true;
        if (error != nullptr) {
            *error = "the MP3 decoder did not close (error " + std::to_string(result) + ")";
        }
        return false;
    }
    // After a failure that has been said already.
    ~CodecStream() { close(nullptr); }
};

}  // namespace

bool decodeMp3(const unsigned char* bytes, size_t size, DecodedSound* sound, std::string* error)
{
    size_t start = id3v2TagBytes(bytes, size);
    if (size >= start + kId3v1Bytes && std::memcmp(bytes + size - kId3v1Bytes, "TAG", 3) == 0) {
        size -= kId3v1Bytes;
    }
    // The first frame of layer III says what the codec is to expect of them all.
    MpegFrameHeader header;
    while (start + kMpegHeaderBytes <= size &&
           !(readMpegFrameHeader(bytes + start, &header) && header.layer == 3))
        ++start;
    if (start + kMpegHeaderBytes > size) {
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
    mp3.nBlockSize = static_cast<WORD>(header.length() - header.padding);  // unpadded
    mp3.nFramesPerBlock = 1;
    mp3.nCodecDelay = kCodecDelay;
    WAVEFORMATEX pcm = {};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = mp3.wfx.nChannels;
    pcm.nSamplesPerSec = mp3.wfx.nSamplesPerSec;
    pcm.wBitsPerSample = kBitsPerSample;
    pcm.nBlockAlign = static_cast<WORD>(pcm.nChannels * kBitsPerSample / 8);
    pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
    CodecStream codec;
    MMRESULT result = acmStreamOpen(&codec.stream, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0, 0);
    if (result != MMSYSERR_NOERROR) {
        *error = "Windows has no MP3 decoder for it (acmStreamOpen error " +
                 std::to_string(result) + ")";
        return false;
    }
    DWORD outputBytes = 0;
    result = acmStreamSize(codec.stream, kChunkBytes, &outputBytes, ACM_STREAMSIZEF_SOURCE);
    if (result != MMSYSERR_NOERROR || outputBytes == 0) {
        *error =
            "the MP3 decoder gives no size for its output (error " + std::to_string(result) + ")";
        return false;
    }
    codec.input.resize(kChunkBytes);
    codec.output.resize(outputBytes);
    std::vector<unsigned char>& input = codec.input;
    ACMSTREAMHEADER& chunk = codec.chunk;
    chunk.cbStruct = sizeof chunk;
    chunk.pbSrc = input.data();
    chunk.cbSrcLength = kChunkBytes;
    chunk.pbDst = codec.output.data();
    chunk.cbDstLength = outputBytes;
    result = acmStreamPrepareHeader(codec.stream, &chunk, 0);
    if (result != MMSYSERR_NOERROR) {
        *error = "the MP3 decoder refused its buffers (error " + std::to_string(result) + ")";
        return false;
    }
    codec.prepared = true;
    sound->rate = header.rate;
    sound->channels = header.channels;
    sound->samples.clear();
    std::vector<unsigned char> pcmBytes;
    size_t next = start;  // the next compressed byte not yet in `input`
    size_t held = 0;      // compressed bytes in `input` not yet taken by the codec
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
        result = acmStreamConvert(codec.stream, &chunk, flags);
        if (result != MMSYSERR_NOERROR) {
            *error = "the MP3 decoder failed (error " + std::to_string(result) + ")";
            return false;
        }
        flags &= ~ACM_STREAMCONVERTF_START;
        pcmBytes.insert(pcmBytes.end(), codec.output.begin(),
                        codec.output.begin() + chunk.cbDstLengthUsed);
        const size_t used = std::min<size_t>(chunk.cbSrcLengthUsed, held);
        std::memmove(input.data(), input.data() + used, held - used);
        held -= used;
        if (last && (chunk.cbDstLengthUsed == 0 || held == 0)) break;
        if (!last && used == 0 && chunk.cbDstLengthUsed == 0 && held == kChunkBytes) {
            *error = "the MP3 decoder takes nothing of it";
            return false;
        }
    }
    if (!codec.close(error)) return false;
    sound->samples.resize(pcmBytes.size() / sizeof(int16_t));
    std::memcpy(sound->samples.data(), pcmBytes.data(), sound->samples.size() * sizeof(int16_t));
    if (sound->samples.empty()) {
        *error = "the MP3 decoder gave no sound for it";
        return false;
    }
    return true;
}
