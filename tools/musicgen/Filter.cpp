#include "Filter.h"
#include "Tempo.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.141592653589793;
constexpr double kLowestCutoff = 10.0;
constexpr double kHighestCutoffRatio = 0.45;
constexpr double kButterworthQ = 0.7071;
}

Filter::Filter(FilterMode mode) : mode(mode), a1(0), a2(0), a3(0), k(0), ic1(0), ic2(0)
{
    setCutoff(1000.0, kButterworthQ);
}

void Filter::setCutoff(double cutoff, double q)
{
    const double clamped = std::clamp(cutoff, kLowestCutoff, kHighestCutoffRatio * kSampleRate);
    const double g = std::tan(kPi * clamped / kSampleRate);
    k = 1.0 / q;
    a1 = 1.0 / (1.0 + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
}

double Filter::process(double input)
{
    const double v3 = input - ic2;
    const double v1 = a1 * ic1 + a2 * v3;
    const double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0 * v1 - ic1;
    ic2 = 2.0 * v2 - ic2;
    switch (mode) {
    case FilterMode::LowPass: return v2;
    case FilterMode::BandPass: return v1;
    case FilterMode::HighPass: return input - k * v1 - v2;
    }
    return v2;
}
