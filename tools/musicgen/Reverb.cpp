#include "Reverb.h"

#include <array>

namespace {
// Delay lengths in frames at 44.1 kHz; mutually prime-ish so the echoes
// do not pile up into a metallic ring.
constexpr std::array<std::size_t, 8> kCombLengths = {1116, 1188, 1277, 1356,
                                                     1422, 1491, 1557, 1617};
constexpr std::array<std::size_t, 4> kAllpassLengths = {556, 441, 341, 225};
constexpr std::size_t kStereoSpread = 23;
constexpr double kAllpassFeedback = 0.5;
constexpr double kInputGain = 0.015;
constexpr double kFeedbackBase = 0.7;
constexpr double kFeedbackRange = 0.28;
}

Reverb::Reverb(double roomSize, double damping)
    : feedback(kFeedbackBase + kFeedbackRange * roomSize), damping(damping)
{
    for (std::size_t length : kCombLengths) {
        Comb left, right;
        left.buffer.assign(length, 0.0);
        right.buffer.assign(length + kStereoSpread, 0.0);
        leftCombs.push_back(left);
        rightCombs.push_back(right);
    }
    for (std::size_t length : kAllpassLengths) {
        Allpass left, right;
        left.buffer.assign(length, 0.0);
        right.buffer.assign(length + kStereoSpread, 0.0);
        leftAllpasses.push_back(left);
        rightAllpasses.push_back(right);
    }
}

double Reverb::processSide(std::vector<Comb>& combs, std::vector<Allpass>& allpasses, double input)
{
    double out = 0.0;
    for (Comb& comb : combs) {
        const double delayed = comb.buffer[comb.index];
        comb.store = delayed * (1.0 - damping) + comb.store * damping;
        comb.buffer[comb.index] = input + comb.store * feedback;
        if (++comb.index == comb.buffer.size()) comb.index = 0;
        out += delayed;
    }
    for (Allpass& allpass : allpasses) {
        const double delayed = allpass.buffer[allpass.index];
        allpass.buffer[allpass.index] = out + delayed * kAllpassFeedback;
        if (++allpass.index == allpass.buffer.size()) allpass.index = 0;
        out = delayed - out;
    }
    return out;
}

void Reverb::process(double input, double& left, double& right)
{
    const double scaled = input * kInputGain;
    left = processSide(leftCombs, leftAllpasses, scaled);
    right = processSide(rightCombs, rightAllpasses, scaled);
}
