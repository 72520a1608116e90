// quorvane-musicgen: renders the Quorvane soundtrack to a 16-bit stereo
// 44.1 kHz WAV file. tools/musicgen/render.sh turns that into the MP3.
#include "Loudness.h"
#include "Song.h"
#include "SongRenderer.h"
#include "WavFile.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

namespace {
const char *const gToolName = "quorvane-musicgen";

int fail(const std::string &message) {
  std::fprintf(stderr, "%s: %s\n", gToolName, message.c_str());
  return 1;
}
}

int main(int argc, char **argv) {
  if (argc != 2 || argv[1][0] == '\0' || std::strcmp(argv[1], "--help") == 0)
    return fail("usage: quorvane-musicgen OUTPUT.wav");
  const std::string path = argv[1];
  try {
    const StereoSamples mix = renderSong(quorvaneSong());
    if (!writeWav(path, mix)) return fail("cannot write " + path);
    std::printf("%s: wrote %s, %.3f s, %.2f LUFS\n", gToolName, path.c_str(),
                double(mix.left.size()) / mix.sampleRate,
                integratedLoudness(mix.left, mix.right, mix.sampleRate));
  } catch (const std::exception &error) {
    return fail(error.what());
  }
  return 0;
}
