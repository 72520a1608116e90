// What the sound server's monitor delivered: 16-bit mono samples, and when each read of
// them arrived, which dates every sample on the monotonic clock.
#pragma once

#include <cstdint>
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

    // When sample `index` reached the monitor, in ns of CLOCK_MONOTONIC. Every read arrives
    // after its samples, never before: the earliest arrival less the samples' duration
    // bounds the start of the recording.
    int64_t timeOf(double index) const;
    // The first sample at or after `ns`, or 0 before the recording.
    size_t indexAt(int64_t ns) const;
    // The first sample from `from` on whose 10 ms neighbourhood holds sound, or size().
    size_t soundOnset(size_t from) const;

    const std::vector<float>& getSamples() const { return samples; }
    size_t size() const { return samples.size(); }
    int getRate() const { return rate; }

private:
    std::vector<float> samples;  // -1..1
    int rate = 0;                // samples per second
    int64_t startNs = 0;         // when sample 0 reached the monitor
};
