#include "Limiter.h"

#include <algorithm>
#include <cmath>

Limiter::Limiter(double ceiling, double attackSeconds, double releaseSeconds, int sampleRate)
    : ceiling(ceiling), attackSeconds(attackSeconds), releaseSeconds(releaseSeconds),
      sampleRate(sampleRate)
{
}

void Limiter::process(std::vector<float>& left, std::vector<float>& right) const
{
    const size_t count = left.size();
    std::vector<double> gain(count, 1.0);
    for (size_t i = 0; i < count; ++i) {
        const double peak = std::max(std::fabs(left[i]), std::fabs(right[i]));
        if (peak > ceiling) gain[i] = ceiling / peak;
    }
    // Recover slowly after a peak, and lean into it ahead of time; taking the
    // minimum keeps every sample's own limit.
    const double release = std::exp(-1.0 / (releaseSeconds * sampleRate));
    for (size_t i = 1; i < count; ++i)
        gain[i] = std::min(gain[i], 1.0 - (1.0 - gain[i - 1]) * release);
    const double attack = std::exp(-1.0 / (attackSeconds * sampleRate));
    for (size_t i = count - 1; i-- > 0;)
        gain[i] = std::min(gain[i], 1.0 - (1.0 - gain[i + 1]) * attack);
    for (size_t i = 0; i < count; ++i) {
        left[i] = static_cast<float>(left[i] * gain[i]);
        right[i] = static_cast<float>(right[i] * gain[i]);
    }
}
