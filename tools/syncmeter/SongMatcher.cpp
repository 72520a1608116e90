#include "SongMatcher.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr size_t kCoarseStep = 8;
constexpr long kRefineSpan = 2 * kCoarseStep;  // full-rate positions tried on each side

std::vector<float> coarse(const float* samples, size_t count)
{
    std::vector<float> means(count / kCoarseStep);
    for (size_t i = 0; i < means.size(); ++i) {
        float sum = 0.0f;
        for (size_t j = 0; j < kCoarseStep; ++j) sum += samples[i * kCoarseStep + j];
        means[i] = sum / kCoarseStep;
    }
    return means;
}

// Correlation of a with b[0, count), divided by b's energy's root (a's is the same for all
// candidates, so only b's is needed to rank them).
double score(const float* a, const float* b, size_t count)
{
    double product = 0.0;
    double energy = 0.0;
    for (size_t i = 0; i < count; ++i) {
        product += static_cast<double>(a[i]) * b[i];
        energy += static_cast<double>(b[i]) * b[i];
    }
    return energy > 0.0 ? product / std::sqrt(energy) : 0.0;
}

double energyRoot(const float* a, size_t count)
{
    double energy = 0.0;
    for (size_t i = 0; i < count; ++i) energy += static_cast<double>(a[i]) * a[i];
    return std::sqrt(energy);
}

}  // namespace

SongMatcher::SongMatcher(std::vector<float> samples)
    : song(std::move(samples)), coarseSong(coarse(song.data(), song.size()))
{
}

SongMatch SongMatcher::match(const std::vector<float>& recording, size_t from, size_t length,
                             long first, long last) const
{
    SongMatch best;
    length = std::min(length, recording.size() - std::min(from, recording.size()));
    const long lastStart = static_cast<long>(song.size()) - static_cast<long>(length) - 1;
    first = std::max(first, 0L);
    last = std::min(last, lastStart);
    if (length < kCoarseStep * 64 || first > last) return best;

    // Coarse: every 8th position, on means of 8 samples.
    const std::vector<float> stretch = coarse(recording.data() + from, length);
    const size_t count = stretch.size();
    long bestStep = first / static_cast<long>(kCoarseStep);
    double bestScore = -1e300;
    for (long step = bestStep; step * static_cast<long>(kCoarseStep) <= last; ++step) {
        if (static_cast<size_t>(step) + count > coarseSong.size()) break;
        const double value = score(stretch.data(), coarseSong.data() + step, count);
        if (value > bestScore) {
            bestScore = value;
            bestStep = step;
        }
    }

    // Fine: every sample around the coarse peak, then a parabola through the best three.
    const float* wanted = recording.data() + from;
    const long centre = bestStep * static_cast<long>(kCoarseStep);
    const long low = std::max(first, centre - kRefineSpan);
    const long high = std::min(last, centre + kRefineSpan);
    std::vector<double> scores;
    for (long at = low; at <= high; ++at) scores.push_back(score(wanted, song.data() + at, length));
    const size_t peak =
        static_cast<size_t>(std::max_element(scores.begin(), scores.end()) - scores.begin());
    double offset = 0.0;
    if (peak > 0 && peak + 1 < scores.size()) {
        const double left = scores[peak - 1];
        const double right = scores[peak + 1];
        const double curve = left - 2.0 * scores[peak] + right;
        if (curve < 0.0) offset = 0.5 * (left - right) / curve;
    }
    best.position = static_cast<double>(low + static_cast<long>(peak)) + offset;
    const double recordedRoot = energyRoot(wanted, length);
    best.correlation = recordedRoot > 0.0 ? scores[peak] / recordedRoot : 0.0;
    return best;
}
