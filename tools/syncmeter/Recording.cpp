#include "Recording.h"

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>

namespace {

constexpr size_t kSampleBytes = 2;
constexpr size_t kReadBytes = 4096;         // small reads: each is dated on arrival
constexpr double kSoundLevel = 0.003;       // RMS above this is sound, not silence (-50 dBFS)
constexpr int kOnsetWindowsPerSecond = 100;  // 10 ms

int64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace

bool recordSamples(int inputFd, const std::string& path, std::string* error)
{
    std::FILE* raw = std::fopen((path + ".raw").c_str(), "wb");
    std::FILE* times = std::fopen((path + ".times").c_str(), "w");
    bool good = raw != nullptr && times != nullptr;
    if (!good) *error = "cannot write " + path + ".raw and .times";
    unsigned char buffer[kReadBytes];
    long long total = 0;
    while (good) {
        const ssize_t count = read(inputFd, buffer, sizeof buffer);
        const int64_t arrival = monotonicNs();
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            *error = std::string("cannot read the samples: ") + std::strerror(errno);
            good = false;
        }
        if (count <= 0) break;
        total += count;
        std::fprintf(times, "%lld %lld\n", total, static_cast<long long>(arrival));
        good = std::fwrite(buffer, 1, static_cast<size_t>(count), raw) == static_cast<size_t>(count);
        if (!good) *error = "cannot write " + path + ".raw";
    }
    if (raw != nullptr && std::fclose(raw) != 0 && good) {
        *error = "cannot write " + path + ".raw";
        good = false;
    }
    if (times != nullptr && std::fclose(times) != 0 && good) {
        *error = "cannot write " + path + ".times";
        good = false;
    }
    return good;
}

bool delayBytes(int inputFd, int outputFd, int delayMs, std::string* error)
{
    struct Held {
        int64_t dueNs;
        std::vector<unsigned char> bytes;
    };
    std::deque<Held> held;
    bool open = true;
    while (open || !held.empty()) {
        const int64_t now = monotonicNs();
        while (!held.empty() && held.front().dueNs <= now) {
            const std::vector<unsigned char>& bytes = held.front().bytes;
            size_t done = 0;
            while (done < bytes.size()) {
                const ssize_t count = write(outputFd, bytes.data() + done, bytes.size() - done);
                if (count < 0 && errno == EINTR) continue;
                if (count < 0) {
                    *error = std::string("cannot pass the samples on: ") + std::strerror(errno);
                    return false;
                }
                done += static_cast<size_t>(count);
            }
            held.pop_front();
        }
        int waitMs = -1;
        if (!held.empty()) {
            waitMs = static_cast<int>((held.front().dueNs - now + 999999) / 1000000);
            if (waitMs < 0) waitMs = 0;
        }
        if (!open) {
            if (waitMs > 0) poll(nullptr, 0, waitMs);
            continue;
        }
        pollfd input{inputFd, POLLIN, 0};
        if (poll(&input, 1, waitMs) <= 0) continue;
        unsigned char buffer[kReadBytes];
        const ssize_t count = read(inputFd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            *error = std::string("cannot read the samples: ") + std::strerror(errno);
            return false;
        }
        if (count == 0) {
            open = false;
            continue;
        }
        held.push_back({monotonicNs() + static_cast<int64_t>(delayMs) * 1000000,
                        std::vector<unsigned char>(buffer, buffer + count)});
    }
    return true;
}

bool Recording::load(const std::string& path, int sampleRate, std::string* error)
{
    rate = sampleRate;
    std::FILE* raw = std::fopen((path + ".raw").c_str(), "rb");
    if (raw == nullptr) {
        *error = "cannot read " + path + ".raw";
        return false;
    }
    int16_t block[4096];
    size_t count = 0;
    samples.clear();
    while ((count = std::fread(block, kSampleBytes, sizeof block / kSampleBytes, raw)) > 0) {
        for (size_t i = 0; i < count; ++i) samples.push_back(block[i] / 32768.0f);
    }
    std::fclose(raw);

    std::FILE* times = std::fopen((path + ".times").c_str(), "r");
    if (times == nullptr) {
        *error = "cannot read " + path + ".times";
        return false;
    }
    long long bytes = 0;
    long long arrival = 0;
    double earliest = std::numeric_limits<double>::max();
    while (std::fscanf(times, "%lld %lld", &bytes, &arrival) == 2) {
        const double samplesSoFar = static_cast<double>(bytes) / kSampleBytes;
        earliest = std::min(earliest, arrival - samplesSoFar * 1e9 / rate);
    }
    std::fclose(times);
    if (samples.empty() || earliest == std::numeric_limits<double>::max()) {
        *error = path + " holds no recording";
        return false;
    }
    startNs = static_cast<int64_t>(earliest);
    return true;
}

int64_t Recording::timeOf(double index) const
{
    return startNs + static_cast<int64_t>(std::llround(index * 1e9 / rate));
}

size_t Recording::indexAt(int64_t ns) const
{
    if (ns <= startNs) return 0;
    return std::min(samples.size(),
                    static_cast<size_t>(std::ceil((ns - startNs) * 1e-9 * rate)));
}

size_t Recording::soundOnset(size_t from) const
{
    const size_t window = static_cast<size_t>(rate / kOnsetWindowsPerSecond);
    for (size_t at = from; at + window <= samples.size(); at += window) {
        double energy = 0.0;
        for (size_t i = at; i < at + window; ++i) energy += samples[i] * samples[i];
        if (std::sqrt(energy / window) > kSoundLevel) return at;
    }
    return samples.size();
}
