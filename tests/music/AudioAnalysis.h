#pragma once
#include <string>
#include <vector>

// Helpers the soundtrack tests share: running programs, decoding with
// ffmpeg, and measuring stretches of audio.

struct CommandResult {
    int status;
    std::string output;  // stdout and stderr together
};
CommandResult runCommand(const std::string& command);

// Decodes any audio file to interleaved 16-bit stereo at the given rate.
std::vector<short> decodeWithFfmpeg(const std::string& path, int sampleRate);

// Splits interleaved 16-bit stereo into two channels scaled to -1..1.
void deinterleave(const std::vector<short>& pcm, std::vector<float>& left,
                  std::vector<float>& right);

// Root mean square of both channels over [from, to) frames, in dBFS.
double rmsDb(const std::vector<float>& left, const std::vector<float>& right, size_t from,
             size_t to);

// First frame whose absolute value reaches the given level in dBFS.
size_t firstFrameAbove(const std::vector<float>& left, const std::vector<float>& right,
                       double levelDb);

// Normalised correlation of a and b (b shifted by lag frames) over [from, to).
double correlation(const std::vector<float>& a, const std::vector<float>& b, long lag, size_t from,
                   size_t to);

// Lag in [minLag, maxLag] at which b best matches a over [from, to).
long bestLag(const std::vector<float>& a, const std::vector<float>& b, long minLag, long maxLag,
             size_t from, size_t to);
