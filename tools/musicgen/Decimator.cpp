#include "Decimator.h"

#include <cmath>

namespace {
constexpr double gPi = 3.141592653589793;
constexpr int gTaps = 191;
// As a share of the input rate: 10.2 kHz at 44.1 kHz, so the transition
// band ends below the new Nyquist frequency of 11.025 kHz.
constexpr double gCutoff = 10200.0 / 44100.0;

std::vector<double> makeKernel()
{
    std::vector<double> kernel(gTaps);
    const int middle = gTaps / 2;
    double sum = 0.0;
    for (int i = 0; i < gTaps; ++i) {
        const double x = i - middle;
        const double sinc = x == 0 ? 2.0 * gCutoff : std::sin(2.0 * gPi * gCutoff * x) / (gPi * x);
        const double blackman = 0.42 - 0.5 * std::cos(2.0 * gPi * i / (gTaps - 1)) +
                                0.08 * std::cos(4.0 * gPi * i / (gTaps - 1));
        kernel[i] = sinc * blackman;
        sum += kernel[i];
    }
    for (double& k : kernel) k /= sum;
    return kernel;
}
}

std::vector<float> decimateByTwo(const std::vector<float>& input)
{
    static const std::vector<double> kernel = makeKernel();
    const long middle = gTaps / 2;
    const long size = static_cast<long>(input.size());
    std::vector<float> output(input.size() / 2);
    for (long o = 0; o < static_cast<long>(output.size()); ++o) {
        const long centre = 2 * o;
        double sum = 0.0;
        for (long k = 0; k < gTaps; ++k) {
            const long at = centre + k - middle;
            if (at >= 0 && at < size) sum += kernel[k] * input[at];
        }
        output[o] = static_cast<float>(sum);
    }
    return output;
}
