#pragma once
#include <cstddef>
#include <vector>

// A Schroeder-Moorer hall: eight damped combs and four allpasses per side,
// the right side's delays a little longer so the tail is wide.
class Reverb {
public:
    Reverb(double roomSize, double damping);
    // Mono send in, stereo wet out.
    void process(double input, double& left, double& right);

private:
    struct Comb {
        std::vector<double> buffer;
        std::size_t index = 0;
        double store = 0.0;
    };
    struct Allpass {
        std::vector<double> buffer;
        std::size_t index = 0;
    };
    double processSide(std::vector<Comb>& combs, std::vector<Allpass>& allpasses, double input);

    double feedback;
    double damping;
    std::vector<Comb> leftCombs, rightCombs;
    std::vector<Allpass> leftAllpasses, rightAllpasses;
};
