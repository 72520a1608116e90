// What the sound server's monitor delivered: 16-bit mono samples, and when each read of
// them arrived, which dates every sample on the monotonic clock.
#pragma once

#include <cstdint>
#include <utility>
#include <string>
#include <vector>

// Copies raw samples from a descriptor into PATH.raw until end of file, noting after each
// read the bytes so far and the arrival time in PATH.times. Returns false, with the
// reason in *error, when a file cannot be written or the input fails.
bool recordSamples(int inputFd, const std::string& path, std::string* error);

// Copies bytes from a descriptor to another, each read written `delayMs` after it arrived,
// until end of file: the meter's control, a sound that reaches the recorder late by a
// known amount. Returns false, with the reason in *error, when reading or writing fails.
bool delayBytes(int inputFd, int outputFd, int delayMs, std::string* error);

class Recording {
public:
    // Reads PATH.raw and PATH.times as recordSamples wrote them.
    bool load(const std::string& path, int rate, std::string* error);

    // When the sink took sample `index`, in ns of CLOCK_MONOTONIC, by the sink's own steady
    // clock as the earliest reads show it (a read never arrives before the sink took it).
    int64_t timeOf(double index) const;
    // The first sample at or after `ns`, or 0 before the recording.
    size_t indexAt(int64_t ns) const;
    // The first sample from `from` on whose 10 ms neighbourhood holds sound, or size().
    size_t soundOnset(size_t from) const;
    // Whether [from, from + length) holds 10 ms of silence: a gap the sound server filled
    // when the program's sound came too late.
    bool holdsSilence(size_t from, size_t length) const;
    // The silent 10 ms blocks between the first and the last sound: gaps in the music.
    size_t silentBlocksWithin() const;
    size_t blockLength() const { return static_cast<size_t>(rate / kBlocksPerSecond); }

    const std::vector<float>& getSamples() const { return samples; }
    size_t size() const { return samples.size(); }
    int getRate() const { return rate; }
    // How much faster than the monotonic clock the sink took samples, in parts per million.
    double driftPpm() const { return -drift * rate * 1e-3; }

private:
    static constexpr int kBlocksPerSecond = 100;  // 10 ms

    std::vector<float> samples;  // -1..1
    std::vector<bool> silent;    // per 10 ms block: no sound in it
    int rate = 0;                // samples per second
    int64_t startNs = 0;         // when the sink took sample 0
    double drift = 0.0;          // ns per sample the sink's clock differs from 1e9 / rate
};
