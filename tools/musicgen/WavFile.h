#pragma once
#include <string>
#include <vector>

// 16-bit stereo PCM in a RIFF/WAVE file.
struct StereoSamples {
    int sampleRate = 0;
    std::vector<float> left, right;  // -1..1
};

// Rounds to 16 bits with saturation; returns false when the file cannot be written.
bool writeWav(const std::string& path, const StereoSamples& samples);
// Reads a canonical 16-bit stereo PCM file; returns false on any other layout.
bool readWav(const std::string& path, StereoSamples& samples);
// The 16-bit value a float sample becomes in the file.
int toPcm16(float sample);
