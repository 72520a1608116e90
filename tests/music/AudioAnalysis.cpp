#include "AudioAnalysis.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sys/wait.h>

CommandResult runCommand(const std::string& command)
{
    CommandResult result{-1, ""};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    std::array<char, 4096> buffer;
    size_t got;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), got);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::vector<short> decodeWithFfmpeg(const std::string& path, int sampleRate)
{
    const std::string command = std::string(FFMPEG_EXECUTABLE) + " -v error -i '" + path +
                                "' -f s16le -acodec pcm_s16le -ac 2 -ar " +
                                std::to_string(sampleRate) + " -";
    std::vector<short> pcm;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return pcm;
    std::array<short, 8192> buffer;
    size_t got;
    while ((got = fread(buffer.data(), sizeof(short), buffer.size(), pipe)) > 0)
        pcm.insert(pcm.end(), buffer.begin(), buffer.begin() + got);
    pclose(pipe);
    return pcm;
}

void deinterleave(const std::vector<short>& pcm, std::vector<float>& left,
                  std::vector<float>& right)
{
    left.resize(pcm.size() / 2);
    right.resize(pcm.size() / 2);
    for (size_t i = 0; i < left.size(); ++i) {
        left[i] = pcm[2 * i] / 32768.0f;
        right[i] = pcm[2 * i + 1] / 32768.0f;
    }
}

double rmsDb(const std::vector<float>& left, const std::vector<float>& right, size_t from,
             size_t to)
{
    double sum = 0.0;
    for (size_t i = from; i < to && i < left.size(); ++i)
        sum += double(left[i]) * left[i] + double(right[i]) * right[i];
    const double mean = sum / (2.0 * double(to - from));
    return 10.0 * std::log10(mean + 1e-20);
}

size_t firstFrameAbove(const std::vector<float>& left, const std::vector<float>& right,
                       double levelDb)
{
    const double threshold = std::pow(10.0, levelDb / 20.0);
    for (size_t i = 0; i < left.size(); ++i)
        if (std::fabs(left[i]) >= threshold || std::fabs(right[i]) >= threshold) return i;
    return left.size();
}

double correlation(const std::vector<float>& a, const std::vector<float>& b, long lag, size_t from,
                   size_t to)
{
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (size_t i = from; i < to; ++i) {
        const long j = static_cast<long>(i) + lag;
        if (j < 0 || j >= static_cast<long>(b.size()) || i >= a.size()) continue;
        ab += double(a[i]) * b[j];
        aa += double(a[i]) * a[i];
        bb += double(b[j]) * b[j];
    }
    return ab / std::sqrt(aa * bb + 1e-30);
}

long bestLag(const std::vector<float>& a, const std::vector<float>& b, long minLag, long maxLag,
             size_t from, size_t to)
{
    long best = minLag;
    double bestValue = -2.0;
    for (long lag = minLag; lag <= maxLag; ++lag) {
        const double value = correlation(a, b, lag, from, to);
        if (value > bestValue) {
            bestValue = value;
            best = lag;
        }
    }
    return best;
}
