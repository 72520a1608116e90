#include "Envelope.h"
#include "Tempo.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kInaudible = 1.0e-4;
constexpr double kShortestTime = 1.0e-4;
}

double timeConstantCoefficient(double seconds)
{
    return std::exp(-1.0 / (std::max(seconds, kShortestTime) * kSampleRate));
}

Envelope::Envelope(const EnvelopeShape& shape)
    : shape(shape), stage(Stage::Attack), value(0.0),
      attackStep(1.0 / (std::max(shape.attack, kShortestTime) * kSampleRate)),
      decayCoefficient(timeConstantCoefficient(shape.decay)),
      releaseCoefficient(timeConstantCoefficient(shape.release))
{
}

double Envelope::next()
{
    switch (stage) {
    case Stage::Attack:
        value += attackStep;
        if (value >= 1.0) {
            value = 1.0;
            stage = Stage::Decay;
        }
        break;
    case Stage::Decay: value = shape.sustain + (value - shape.sustain) * decayCoefficient; break;
    case Stage::Release: value *= releaseCoefficient; break;
    }
    return value;
}

void Envelope::release() { stage = Stage::Release; }

bool Envelope::finished() const { return stage == Stage::Release && value < kInaudible; }
