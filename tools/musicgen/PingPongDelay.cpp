#include "PingPongDelay.h"

PingPongDelay::PingPongDelay(int delayFrames, double feedback, double damping)
    : leftLine(delayFrames, 0.0), rightLine(delayFrames, 0.0), index(0), feedback(feedback),
      damping(damping), leftTone(0.0), rightTone(0.0)
{
}

void PingPongDelay::process(double inLeft, double inRight, double& outLeft, double& outRight)
{
    const double fromLeft = leftLine[index];
    const double fromRight = rightLine[index];
    leftTone += (fromLeft - leftTone) * (1.0 - damping);
    rightTone += (fromRight - rightTone) * (1.0 - damping);
    // Each side feeds the other, so an echo crosses the stereo field.
    leftLine[index] = 0.5 * (inLeft + inRight) + rightTone * feedback;
    rightLine[index] = leftTone * feedback;
    if (++index == leftLine.size()) index = 0;
    outLeft = fromLeft;
    outRight = fromRight;
}
