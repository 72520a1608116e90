#include "Decimator.h"

#include <cmath>

namespace {
constexpr double kPi = 3.141592653589793;
constexpr int kTaps = 191;
// As a share of the input rate: 10.2 kHz at 44.1 kHz, so the transition
// band ends below the new Nyquist frequency of 11.025 kHz.
constexpr double kCutoff = 10200.0 / 44100.0;

std::vector<double> makeKernel()
{
    std::vector<double> kernel(kTaps);
    const int middle = kTaps / 2;
    double sum = 0.0;
    for (int i = 0; i < kTaps; ++i) {
        const double x = i - middle;
        const double sinc = x == 0 ? 2.0 * kCutoff : std::sin(2.0 * kPi * kCutoff * x) / (kPi * x);
        const double blackman = 0.42 - 0.5 * std::cos(2.0 * kPi * i / (kTaps - 1)) +
                                0.08 * std::cos(4.0 * kPi * i / (kTaps - 1));
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
    const long middle = kTaps / 2;
    const long size = static_cast<long>(input.size());
    std::vector<float> output(input.size() / 2);
    for (long o = 0; o < static_cast<long>(output.size()); ++o) {
        const long centre = 2 * o;
        double sum = 0.0;
        for (long k = 0; k < kTaps; ++k) {
            const long at = centre + k - middle;
            if (at >= 0 && at < size) sum += kernel[k] * input[at];
        }
        output[o] = static_cast<float>(sum);
    }
    return output;
}
