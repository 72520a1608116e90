#pragma once

enum class Waveform { Sine, Saw, Square, Triangle };

// A phase-accumulating oscillator. Saw and square are band-limited with
// polynomial steps at their discontinuities so high notes do not alias.
class Oscillator {
public:
    Oscillator(Waveform waveform, double startPhase);
    // One sample at the given frequency in Hz; advances the phase.
    double next(double frequency);
    double phase() const { return phaseValue; }

private:
    Waveform waveform;
    double phaseValue;
    double triangleState;
};

// Polynomial band-limited step residual for phase t with increment dt.
double polyBlep(double t, double dt);
