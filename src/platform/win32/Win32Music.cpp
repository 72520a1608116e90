// The mixer's music on Windows: the MP3 decoded whole by the system's codec (Mp3Decoder),
// then streamed to waveOut from a thread of its own, which starts the sound again from its
// first sample at its end for as many plays as asked, as SDL_mixer loops music. A device
// that fails once the show has begun is said in one line; the show goes on without sound,
// as it does when there is no device at all. Each buffer filled goes through the mixer's
// post-mix function on its way to the device, as SDL_mixer's do.
#include "Mp3Decoder.h"
#include "Platform.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <thread>

namespace {

// What Mix_OpenAudio asks for: the device opens at once in this format, and again in the
// music's own when that differs.
constexpr int kDeviceRate = 22050;
constexpr int kDeviceChannels = 2;
constexpr int kBitsPerSample = 16;
constexpr int kBufferCount = 8;
constexpr int kBufferMs = 100;  // eight of them: 800 ms of sound queued ahead

struct Playback {
    const DecodedSound* sound = nullptr;
    size_t position = 0;     // next sample (of all channels) to queue
    int playsLeft = 0;       // after the current one; -1 without end
    size_t fadeSamples = 0;  // the fade-in's length in samples of all channels; 0: none
    size_t played = 0;       // samples queued since the start, for the fade
};

HWAVEOUT gDevice = nullptr;           // the open device
WAVEFORMATEX gDeviceFormat = {};      // its format
HANDLE gBufferDone = nullptr;         // signalled by the device when it has played a buffer
std::map<int, DecodedSound> gSounds;  // by the handle platformLoadMusic gave
int gNextHandle = 1;
int gPlaying = 0;     // the music being played; 0 for none
std::thread gFeeder;  // feeds the device while a music plays
std::atomic<bool> gStopFeeding{false};
std::atomic<bool> gFailed{false};  // a device call failed and was said: silent from then on
WAVEHDR gHeaders[kBufferCount];
std::vector<int16_t> gBuffers[kBufferCount];

WAVEFORMATEX pcmFormat(int rate, int channels)
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = kBitsPerSample;
    format.nBlockAlign = static_cast<WORD>(channels * kBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    return format;
}

// A device call that failed during the show: said once (the first failure is the one that
// explains), then no more sound.
void soundFailed(const char* call, MMRESULT result)
{
    if (!gFailed.exchange(true)) {
        std::fprintf(stderr,
                     "quorvane: the sound device failed (%s error %u); playing on "
                     "without sound\n",
                     call, result);
    }
}

bool openDevice(const WAVEFORMATEX& format)
{
    if (gBufferDone == nullptr) gBufferDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (gBufferDone == nullptr) {
        SDL_SetError("no event for the sound device (Windows error %lu)", GetLastError());
        return false;
    }
    WAVEFORMATEX wanted = format;
    const MMRESULT result =
        waveOutOpen(&gDevice, WAVE_MAPPER, &wanted, reinterpret_cast<DWORD_PTR>(gBufferDone), 0,
                    CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        gDevice = nullptr;
        SDL_SetError("no sound device (waveOutOpen error %u)", result);
        return false;
    }
    gDeviceFormat = format;
    return true;
}

// Fills one buffer from the sound, going back to its start at its end while plays are left;
// silence after the last play. Returns the samples of sound it holds.
size_t fill(Playback* playback, std::vector<int16_t>* buffer)
{
    const DecodedSound& sound = *playback->sound;
    size_t filled = 0;
    while (filled < buffer->size()) {
        if (playback->position == sound.samples.size()) {
            if (playback->playsLeft == 0) break;
            if (playback->playsLeft > 0) --playback->playsLeft;
            playback->position = 0;
        }
        const size_t count =
            std::min(buffer->size() - filled, sound.samples.size() - playback->position);
        std::copy_n(sound.samples.begin() + static_cast<long>(playback->position), count,
                    buffer->begin() + static_cast<long>(filled));
        for (size_t i = 0; i < count && playback->played + i < playback->fadeSamples; ++i) {
            const double share = static_cast<double>(playback->played + i) / playback->fadeSamples;
            (*buffer)[filled + i] = static_cast<int16_t>((*buffer)[filled + i] * share);
        }
        playback->position += count;
        playback->played += count;
        filled += count;
    }
    std::fill(buffer->begin() + static_cast<long>(filled), buffer->end(), 0);
    return filled;
}

// The feeder thread: keeps every buffer the device has played filled and queued until told
// to stop. A failed call ends it; stopPlaying then hands the device back.
void feed(Playback playback)
{
    // Ahead of the frame loop, which never sleeps: a late buffer is a gap in the music.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    const size_t bufferSamples =
        static_cast<size_t>(playback.sound->rate) * playback.sound->channels * kBufferMs / 1000;
    for (int i = 0; i < kBufferCount; ++i) {
        gBuffers[i].assign(bufferSamples, 0);
        gHeaders[i] = {};
        gHeaders[i].lpData = reinterpret_cast<LPSTR>(gBuffers[i].data());
        gHeaders[i].dwBufferLength = static_cast<DWORD>(bufferSamples * sizeof(int16_t));
        const MMRESULT result = waveOutPrepareHeader(gDevice, &gHeaders[i], sizeof gHeaders[i]);
        if (result != MMSYSERR_NOERROR) return soundFailed("waveOutPrepareHeader", result);
        gHeaders[i].dwFlags |= WHDR_DONE;
    }
    bool finished = false;
    while (!gStopFeeding) {
        for (int i = 0; i < kBufferCount && !finished; ++i) {
            if ((gHeaders[i].dwFlags & WHDR_DONE) == 0) continue;
            if (fill(&playback, &gBuffers[i]) == 0) {
                finished = true;  // the last play has been queued in full
                break;
            }
            sdlMixed(reinterpret_cast<Uint8*>(gBuffers[i].data()),
                     static_cast<int>(gHeaders[i].dwBufferLength));
            gHeaders[i].dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
            const MMRESULT result = waveOutWrite(gDevice, &gHeaders[i], sizeof gHeaders[i]);
            if (result != MMSYSERR_NOERROR) return soundFailed("waveOutWrite", result);
        }
        if (WaitForSingleObject(gBufferDone, kBufferMs) == WAIT_FAILED) {
            return soundFailed("WaitForSingleObject", static_cast<MMRESULT>(GetLastError()));
        }
    }
}

// Ends the feeder thread and takes every buffer back from the device.
void stopPlaying()
{
    if (gFeeder.joinable()) {
        gStopFeeding = true;
        SetEvent(gBufferDone);
        gFeeder.join();
        MMRESULT result = waveOutReset(gDevice);
        if (result != MMSYSERR_NOERROR) soundFailed("waveOutReset", result);
        for (WAVEHDR& header : gHeaders) {
            if ((header.dwFlags & WHDR_PREPARED) == 0) continue;
            result = waveOutUnprepareHeader(gDevice, &header, sizeof header);
            if (result != MMSYSERR_NOERROR) soundFailed("waveOutUnprepareHeader", result);
        }
    }
    gStopFeeding = false;
    gPlaying = 0;
}

void closeDevice()
{
    if (gDevice == nullptr) return;
    const MMRESULT result = waveOutClose(gDevice);
    if (result != MMSYSERR_NOERROR) soundFailed("waveOutClose", result);
    gDevice = nullptr;
}

}  // namespace

bool platformOpenAudio()
{
    if (gDevice != nullptr) return true;
    return openDevice(pcmFormat(kDeviceRate, kDeviceChannels));
}

void platformCloseAudio()
{
    stopPlaying();
    closeDevice();
    if (gBufferDone != nullptr) CloseHandle(gBufferDone);
    gBufferDone = nullptr;
}

int platformLoadMusic(const unsigned char* bytes, size_t size, const char* name)
{
    DecodedSound sound;
    std::string error;
    if (!decodeMp3(bytes, size, &sound, &error)) {
        SDL_SetError("cannot decode %s: %s", name, error.c_str());
        return 0;
    }
    const int handle = gNextHandle++;
    gSounds[handle] = std::move(sound);
    return handle;
}

void platformPlayMusic(int music, int plays, int fadeMs)
{
    stopPlaying();
    const auto found = gSounds.find(music);
    if (found == gSounds.end() || gDevice == nullptr || gFailed) return;
    const DecodedSound& sound = found->second;
    if (static_cast<int>(gDeviceFormat.nSamplesPerSec) != sound.rate ||
        gDeviceFormat.nChannels != sound.channels) {
        closeDevice();
        if (!openDevice(pcmFormat(sound.rate, sound.channels))) {
            std::fprintf(stderr,
                         "quorvane: cannot play the music: %s; playing on without "
                         "sound\n",
                         SDL_GetError());
            gFailed = true;
            return;
        }
    }
    Playback playback;
    playback.sound = &sound;
    playback.playsLeft = plays == 0 ? -1 : plays - 1;
    playback.fadeSamples = static_cast<size_t>(sound.rate) * sound.channels * fadeMs / 1000;
    gPlaying = music;
    gFeeder = std::thread(feed, playback);
}

void platformFreeMusic(int music)
{
    if (music == gPlaying) stopPlaying();
    gSounds.erase(music);
}

const char* platformAudioDriverName() { return "waveout"; }
