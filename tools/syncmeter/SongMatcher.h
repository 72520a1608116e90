// Finds where in the song a stretch of recorded sound comes from: the position whose
// samples correlate best with it, searched coarsely on every 8th sample, then to a fraction
// of a sample at the full rate.
#pragma once

#include <cstddef>
#include <vector>

struct SongMatch {
    double position = 0.0;     // song sample the stretch starts at
    double correlation = 0.0;  // normalised, 1 for an exact copy; low when nothing matched
};

class SongMatcher {
public:
    explicit SongMatcher(std::vector<float> song);

    // Matches recording[from, from + length) against song positions first..last.
    SongMatch match(const std::vector<float>& recording, size_t from, size_t length, long first,
                    long last) const;

    size_t songSize() const { return song.size(); }

private:
    std::vector<float> song;
    std::vector<float> coarseSong;  // means of kCoarseStep samples
};
