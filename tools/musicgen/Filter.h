#pragma once

enum class FilterMode { LowPass, BandPass, HighPass };

// State-variable filter in trapezoidal form: stable under fast cutoff
// sweeps, which the filter movements of the song rely on.
class Filter {
public:
    explicit Filter(FilterMode mode);
    // Cutoff in Hz (clamped below Nyquist) and resonance as Q.
    void setCutoff(double cutoff, double q);
    double process(double input);

private:
    FilterMode mode;
    double a1, a2, a3, k;
    double ic1, ic2;
};
