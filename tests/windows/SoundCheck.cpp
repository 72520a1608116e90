// windows_sound_check RECORDING REFERENCE MIN_MS: checks that RECORDING, what a sound server's
// null sink received while the Windows build played under Wine, is the music of REFERENCE
// (the MP3 decoded by ffmpeg), both 16-bit stereo PCM (s16le) at kRate. Windows of the
// recording taken every kStepMs across its sound are each found in the music by
// cross-correlation, once the gaps a starved sound server leaves are taken out (their total
// is printed). Prints what it found; exits 0 when the sound, gaps included, lasts at least
// MIN_MS and most windows match the music (normalised correlation at least kMinCorrelation),
// 1 when not, 2 when a file cannot be read. Where the music started again from its beginning (a
// loop) the line says so.
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Complex = std::complex<double>;

constexpr int kRate = 22050;  // both files' sample rate
constexpr int kChannels = 2;
constexpr int kDecimation = 2;        // compared at half the rate: enough to place a window
constexpr int kWindowSamples = 8192;  // 0.74 s at the compared rate
constexpr int kStepMs = 3000;
constexpr int kSoundFloor = 64;     // the sound begins and ends at a sample this loud (of 32768)
constexpr double kSilence = 1;      // digital silence, give or take the resamplers' rounding
constexpr size_t kGapSamples = 32;  // a silence this long (1.5 ms) in the music is a gap
constexpr double kMinCorrelation = 0.9;
// Windows that must match. A starved sound path (a busy machine) also drops music, which no
// gap removal gives back; a wrong format, noise or silence matches nowhere.
constexpr double kMinMatchingShare = 0.5;
constexpr double kRestartMs = 5000;  // a window this far back in the music: it began again

// The file's samples, both channels mixed, at 1/kDecimation of its rate. With `dropGaps`, runs
// of digital silence inside the sound are left out and their length added to *gapSamples: a
// sound server that finds nothing to play in time plays silence and then goes on where the
// music was, so the music is still there in order around the gaps.
bool readMono(const char* path, bool dropGaps, std::vector<double>* mono, size_t* gapSamples)
{
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    std::vector<double> full;
    short frame[kChannels];
    while (std::fread(frame, sizeof(short), kChannels, file) == kChannels) {
        full.push_back((frame[0] + frame[1]) / 2.0);
    }
    std::fclose(file);
    size_t from = 0, to = full.size();
    if (dropGaps) {
        while (from < to && std::fabs(full[from]) < kSoundFloor) ++from;
        while (to > from && std::fabs(full[to - 1]) < kSoundFloor) --to;
    }
    std::vector<double> kept;
    for (size_t i = from; i < to;) {
        size_t run = 0;
        while (dropGaps && i + run < to && std::fabs(full[i + run]) <= kSilence) ++run;
        if (run >= kGapSamples) {
            *gapSamples += run;
            i += run;
        } else {
            kept.push_back(full[i++]);
        }
    }
    for (size_t i = 0; i + kDecimation <= kept.size(); i += kDecimation) {
        double sum = 0;
        for (int k = 0; k < kDecimation; ++k) sum += kept[i + k];
        mono->push_back(sum / kDecimation);
    }
    return true;
}

void fft(std::vector<Complex>* values, bool inverse)
{
    std::vector<Complex>& a = *values;
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const double angle = 2 * M_PI / static_cast<double>(length) * (inverse ? 1 : -1);
        const Complex step(std::cos(angle), std::sin(angle));
        for (size_t start = 0; start < n; start += length) {
            Complex turn(1);
            for (size_t k = 0; k < length / 2; ++k) {
                const Complex u = a[start + k];
                const Complex v = a[start + k + length / 2] * turn;
                a[start + k] = u + v;
                a[start + k + length / 2] = u - v;
                turn *= step;
            }
        }
    }
}

double msOf(size_t sample) { return 1000.0 * sample * kDecimation / kRate; }

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: windows_sound_check RECORDING REFERENCE MIN_MS\n");
        return 2;
    }
    std::vector<double> recording, music;
    size_t gapSamples = 0;
    if (!readMono(argv[1], true, &recording, &gapSamples) ||
        !readMono(argv[2], false, &music, &gapSamples) || music.empty()) {
        std::fprintf(stderr, "windows_sound_check: cannot read %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    const double minMs = std::atof(argv[3]);
    const double soundMs = msOf(recording.size());
    const double gapMs = 1000.0 * static_cast<double>(gapSamples) / kRate;

    size_t size = 1;
    while (size < music.size() + kWindowSamples) size <<= 1;
    std::vector<Complex> musicSpectrum(size);
    std::copy(music.begin(), music.end(), musicSpectrum.begin());
    fft(&musicSpectrum, false);
    std::vector<double> energy(music.size() + 1, 0.0);  // running sum of the music's squares
    for (size_t i = 0; i < music.size(); ++i) energy[i + 1] = energy[i] + music[i] * music[i];

    const size_t step = static_cast<size_t>(kStepMs) * kRate / kDecimation / 1000;
    int windows = 0, matching = 0;
    double previousAt = -1, restartFrom = -1, restartAt = -1;
    // Every kStepMs, and the sound's last window too: a loop's second pass may be short.
    std::vector<size_t> starts;
    for (size_t at = 0; at + kWindowSamples <= recording.size(); at += step) starts.push_back(at);
    if (recording.size() >= kWindowSamples && starts.back() != recording.size() - kWindowSamples) {
        starts.push_back(recording.size() - kWindowSamples);
    }
    for (size_t at : starts) {
        std::vector<Complex> spectrum(size);
        double norm = 0;
        for (int i = 0; i < kWindowSamples; ++i) {
            spectrum[i] = recording[at + i];
            norm += recording[at + i] * recording[at + i];
        }
        fft(&spectrum, false);
        for (size_t i = 0; i < size; ++i) spectrum[i] = musicSpectrum[i] * std::conj(spectrum[i]);
        fft(&spectrum, true);
        double best = 0;
        size_t bestLag = 0;
        for (size_t lag = 0; lag + kWindowSamples <= music.size(); ++lag) {
            const double window = energy[lag + kWindowSamples] - energy[lag];
            if (window <= 0 || norm <= 0) continue;
            const double r =
                spectrum[lag].real() / static_cast<double>(size) / std::sqrt(window * norm);
            if (r > best) {
                best = r;
                bestLag = lag;
            }
        }
        ++windows;
        const double musicMs = msOf(bestLag);
        if (best < kMinCorrelation) {
            std::printf("  window at %.0f ms of the sound: best match %.3f at %.0f ms of the "
                        "music\n",
                        msOf(at), best, musicMs);
            continue;
        }
        ++matching;
        if (previousAt >= 0 && musicMs < previousAt - kRestartMs && restartAt < 0) {
            restartFrom = previousAt;
            restartAt = msOf(at);
        }
        previousAt = musicMs;
    }
    const bool ok =
        soundMs + gapMs >= minMs && matching > 0 && matching >= windows * kMinMatchingShare;
    std::printf(
        "%s: %.0f ms of sound and %.0f ms of gaps in it (at least %.0f in all asked); %d of %d "
        "windows match the music at %.2f or better (at least %.0f %% asked)",
        ok ? "heard the music" : "NOT the music", soundMs, gapMs, minMs, matching, windows,
        kMinCorrelation, kMinMatchingShare * 100);
    if (restartAt >= 0) {
        std::printf("; it began again %.0f ms into the sound, after %.0f ms of it", restartAt,
                    restartFrom);
    }
    std::printf("\n");
    return ok ? 0 : 1;
}
