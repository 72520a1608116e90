#include "Oscillator.h"
#include "Tempo.h"

#include <cmath>

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr double kTriangleLeak = 0.999;
}

double polyBlep(double t, double dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

Oscillator::Oscillator(Waveform waveform, double startPhase)
    : waveform(waveform), phaseValue(startPhase), triangleState(0.0)
{
}

double Oscillator::next(double frequency)
{
    const double dt = frequency / kSampleRate;
    const double t = phaseValue;
    double out = 0.0;
    switch (waveform) {
    case Waveform::Sine: out = std::sin(kTwoPi * t); break;
    case Waveform::Saw: out = 2.0 * t - 1.0 - polyBlep(t, dt); break;
    case Waveform::Square:
    case Waveform::Triangle: {
        double square = t < 0.5 ? 1.0 : -1.0;
        square += polyBlep(t, dt);
        double shifted = t + 0.5;
        if (shifted >= 1.0) shifted -= 1.0;
        square -= polyBlep(shifted, dt);
        if (waveform == Waveform::Square) {
            out = square;
        } else {
            // A leaky integral of the square is a band-limited triangle.
            triangleState = kTriangleLeak * triangleState + 4.0 * dt * square;
            out = triangleState;
        }
        break;
    }
    }
    phaseValue += dt;
    while (phaseValue >= 1.0) phaseValue -= 1.0;
    return out;
}
