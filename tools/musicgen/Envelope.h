#pragma once

// Attack-decay-sustain-release envelope: a linear attack to 1, then
// exponential moves towards the sustain level and, after release, to 0.
struct EnvelopeShape {
    double attack;   // seconds
    double decay;    // seconds, time constant
    double sustain;  // level 0..1
    double release;  // seconds, time constant
};

class Envelope {
public:
    explicit Envelope(const EnvelopeShape& shape);
    double next();
    void release();
    // True once released and fallen below audibility.
    bool finished() const;
    double level() const { return value; }

private:
    enum class Stage { Attack, Decay, Release };
    EnvelopeShape shape;
    Stage stage;
    double value;
    double attackStep;
    double decayCoefficient;
    double releaseCoefficient;
};

// Per-sample multiplier of an exponential fall with the given time constant.
double timeConstantCoefficient(double seconds);
