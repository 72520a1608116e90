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
constexpr size_t kReadBytes = 4096;  // small reads: each is dated on arrival
// RMS above this is sound: the server fills a gap with zeros, and the song rises past this
// within its first 50 ms and stays far above it.
constexpr double kSoundLevel = 0.0003;  // -70 dBFS

constexpr double kFitWindowSeconds = 5.0;

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

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
        const size_t size = static_cast<size_t>(count);
        good = std::fwrite(buffer, 1, size, raw) == size;
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
    // Each read is dated by its first sample, which the sink took when the read's bytes
    // arrived, give or take how late the read came. The earliest in each 5 s is the least late.
    long long bytes = 0;
    long long arrival = 0;
    long long before = 0;
    std::vector<std::pair<double, double>> earliest;  // (sample, its time less sample / rate)
    const double windowSamples = kFitWindowSeconds * rate;
    while (std::fscanf(times, "%lld %lld", &bytes, &arrival) == 2) {
        const double first = static_cast<double>(before) / kSampleBytes;
        const double lead = arrival - first * 1e9 / rate;
        const size_t window = static_cast<size_t>(first / windowSamples);
        if (window >= earliest.size()) earliest.resize(window + 1, {first, lead});
        if (lead < earliest[window].second) earliest[window] = {first, lead};
        before = bytes;
    }
    std::fclose(times);
    if (samples.empty() || earliest.empty()) {
        *error = path + " holds no recording";
        return false;
    }
    // A null sink takes whole samples, each chunk dated in whole microseconds rounded down:
    // its clock runs fast by up to 1e-4. A line through the earliest reads (Theil-Sen: the
    // median slope between pairs, the median intercept) follows it and ignores stray windows.
    std::vector<double> slopes;
    for (size_t i = 0; i < earliest.size(); ++i) {
        for (size_t j = i + 1; j < earliest.size(); ++j) {
            const double span = earliest[j].first - earliest[i].first;
            if (span > 0.0) slopes.push_back((earliest[j].second - earliest[i].second) / span);
        }
    }
    drift = slopes.empty() ? 0.0 : median(slopes);
    std::vector<double> intercepts;
    for (const auto& point : earliest) intercepts.push_back(point.second - drift * point.first);
    const double intercept = median(intercepts);
    startNs = static_cast<int64_t>(intercept);
    const size_t window = blockLength();
    silent.clear();
    for (size_t at = 0; at + window <= samples.size(); at += window) {
        double energy = 0.0;
        for (size_t i = at; i < at + window; ++i) energy += samples[i] * samples[i];
        silent.push_back(std::sqrt(energy / window) <= kSoundLevel);
    }
    return true;
}

int64_t Recording::timeOf(double index) const
{
    return startNs + static_cast<int64_t>(std::llround(index * (1e9 / rate + drift)));
}

size_t Recording::indexAt(int64_t ns) const
{
    if (ns <= startNs) return 0;
    return std::min(samples.size(),
                    static_cast<size_t>(std::ceil((ns - startNs) / (1e9 / rate + drift))));
}

size_t Recording::soundOnset(size_t from) const
{
    for (size_t block = from / blockLength(); block < silent.size(); ++block) {
        if (!silent[block]) return std::max(from, block * blockLength());
    }
    return samples.size();
}

bool Recording::holdsSilence(size_t from, size_t length) const
{
    const size_t last =
        std::min(silent.size(), (from + length + blockLength() - 1) / blockLength());
    for (size_t block = from / blockLength(); block < last; ++block) {
        if (silent[block]) return true;
    }
    return false;
}

size_t Recording::silentBlocksWithin() const
{
    const auto first = std::find(silent.begin(), silent.end(), false);
    const auto last = std::find(silent.rbegin(), silent.rend(), false).base();
    return first < last ? static_cast<size_t>(std::count(first, last, true)) : 0;
}
