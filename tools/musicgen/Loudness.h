#pragma once
#include <vector>

// Integrated loudness of a stereo signal after ITU-R BS.1770: K-weighting,
// 400 ms blocks overlapping by 75 %, an absolute gate at -70 LUFS and a
// relative gate 10 LU below the level of the blocks that pass it.
// Returns LUFS, or -infinity for silence.
double integratedLoudness(const std::vector<float>& left, const std::vector<float>& right,
                          int sampleRate);
