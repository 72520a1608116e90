#pragma once
#include <cstddef>
#include <vector>

// A stereo echo whose repeats alternate between the sides, each repeat a
// little darker than the one before.
class PingPongDelay {
public:
    PingPongDelay(int delayFrames, double feedback, double damping);
    void process(double inLeft, double inRight, double& outLeft, double& outRight);

private:
    std::vector<double> leftLine, rightLine;
    std::size_t index;
    double feedback;
    double damping;
    double leftTone, rightTone;
};
