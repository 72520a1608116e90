#pragma once
#include <vector>

// Offline peak limiter for the finished mix: it knows the whole song, so
// the gain starts to fall before a peak arrives and never lets a sample
// exceed the ceiling.
class Limiter {
public:
    Limiter(double ceiling, double attackSeconds, double releaseSeconds, int sampleRate);
    void process(std::vector<float>& left, std::vector<float>& right) const;

private:
    double ceiling;
    double attackSeconds;
    double releaseSeconds;
    int sampleRate;
};
