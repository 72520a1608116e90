#include "Loudness.h"

#include <cmath>
#include <limits>

namespace {
constexpr double kPi = 3.141592653589793;
constexpr double kLoudnessOffset = -0.691;
constexpr double kAbsoluteGate = -70.0;
constexpr double kRelativeGate = -10.0;
constexpr double kBlockSeconds = 0.4;
constexpr int kBlockOverlap = 4;

// The two K-weighting stages given by their analogue prototypes, so any
// sample rate gets its own exact coefficients.
constexpr double kShelfFrequency = 1681.974450955533;
constexpr double kShelfGainDb = 3.999843853973347;
constexpr double kShelfQ = 0.7071752369554196;
constexpr double kShelfBandExponent = 0.4996667741545416;
constexpr double kHighPassFrequency = 38.13547087602444;
constexpr double kHighPassQ = 0.5003270373238773;

struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double process(double x)
    {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

Biquad makeShelf(int sampleRate)
{
    const double k = std::tan(kPi * kShelfFrequency / sampleRate);
    const double vh = std::pow(10.0, kShelfGainDb / 20.0);
    const double vb = std::pow(vh, kShelfBandExponent);
    const double a0 = 1.0 + k / kShelfQ + k * k;
    return Biquad{(vh + vb * k / kShelfQ + k * k) / a0, 2.0 * (k * k - vh) / a0,
                  (vh - vb * k / kShelfQ + k * k) / a0, 2.0 * (k * k - 1.0) / a0,
                  (1.0 - k / kShelfQ + k * k) / a0};
}

Biquad makeHighPass(int sampleRate)
{
    const double k = std::tan(kPi * kHighPassFrequency / sampleRate);
    const double a0 = 1.0 + k / kHighPassQ + k * k;
    return Biquad{1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / kHighPassQ + k * k) / a0};
}

std::vector<double> weightedSquares(const std::vector<float>& channel, int sampleRate)
{
    Biquad shelf = makeShelf(sampleRate);
    Biquad highPass = makeHighPass(sampleRate);
    std::vector<double> squares(channel.size());
    for (size_t i = 0; i < channel.size(); ++i) {
        const double y = highPass.process(shelf.process(channel[i]));
        squares[i] = y * y;
    }
    return squares;
}

double toLufs(double power) { return kLoudnessOffset + 10.0 * std::log10(power); }
}

double integratedLoudness(const std::vector<float>& left, const std::vector<float>& right,
                          int sampleRate)
{
    const std::vector<double> leftSquares = weightedSquares(left, sampleRate);
    const std::vector<double> rightSquares = weightedSquares(right, sampleRate);
    const size_t blockLength = static_cast<size_t>(kBlockSeconds * sampleRate);
    const size_t hop = blockLength / kBlockOverlap;

    // Running sums over both channels give each block's mean square cheaply.
    std::vector<double> prefix(leftSquares.size() + 1, 0.0);
    for (size_t i = 0; i < leftSquares.size(); ++i)
        prefix[i + 1] = prefix[i] + leftSquares[i] + rightSquares[i];

    std::vector<double> blockPowers;
    for (size_t start = 0; start + blockLength <= leftSquares.size(); start += hop) {
        const double power = (prefix[start + blockLength] - prefix[start]) / blockLength;
        if (power > 0.0 && toLufs(power) > kAbsoluteGate) blockPowers.push_back(power);
    }
    if (blockPowers.empty()) return -std::numeric_limits<double>::infinity();

    double sum = 0.0;
    for (double power : blockPowers) sum += power;
    const double relativeGate = toLufs(sum / blockPowers.size()) + kRelativeGate;
    double gatedSum = 0.0;
    size_t gatedCount = 0;
    for (double power : blockPowers) {
        if (toLufs(power) > relativeGate) {
            gatedSum += power;
            ++gatedCount;
        }
    }
    return toLufs(gatedSum / gatedCount);
}
