// Per-scene frame costs for --bench: collected per frame, reported as a table and JSON.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SceneCosts {
    std::string name;
    int32_t start = 0;  // first ms of the scene's clip
    int32_t end = 0;    // ms after its last
    std::vector<double> frameMs;
};

class FrameCosts {
public:
    // One row per clip of the show, in schedule order.
    FrameCosts();

    void add(int32_t elapsed, double costMs);

    // The table for people, then one JSON line for scripts; `totalMs` is the wall time of
    // the whole run, `peakKib` the peak resident memory.
    std::string report(double totalMs, long peakKib) const;

    const std::vector<SceneCosts>& scenes() const { return rows; }

private:
    std::vector<SceneCosts> rows;
};

// Median and nearest-rank 95th percentile of `values`; 0 for none.
double median(std::vector<double> values);
double percentile95(std::vector<double> values);
