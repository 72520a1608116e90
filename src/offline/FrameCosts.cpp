#include "offline/FrameCosts.h"

#include "shell/Schedule.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kPercentile = 0.95;

std::string format(const char* pattern, double a, double b = 0.0)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, a, b);
    return text;
}

}  // namespace

double median(std::vector<double> values)
{
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

double percentile95(std::vector<double> values)
{
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t rank = static_cast<size_t>(std::ceil(kPercentile * values.size()));
    return values[rank - 1];
}

FrameCosts::FrameCosts()
{
    for (const ScheduledClip& clip : scheduledClips()) {
        SceneCosts row;
        row.name = clip.name != nullptr ? std::string(clip.name)
                                        : "clip " + std::to_string(clip.index + 1);
        row.start = clip.start;
        row.end = clip.end;
        rows.push_back(row);
    }
}

void FrameCosts::add(int32_t elapsed, double costMs)
{
    for (SceneCosts& row : rows) {
        if (elapsed >= row.start && elapsed < row.end) {
            row.frameMs.push_back(costMs);
            return;
        }
    }
}

std::string FrameCosts::report(double totalMs, long peakKib) const
{
    std::vector<double> all;
    std::string table = "scene            from ms    to ms  frames  median ms  p95 ms\n";
    std::string json = "{\"scenes\":[";
    for (size_t i = 0; i < rows.size(); ++i) {
        const SceneCosts& row = rows[i];
        all.insert(all.end(), row.frameMs.begin(), row.frameMs.end());
        char line[128];
        std::snprintf(line, sizeof line, "%-15s %8d %8d %7zu %10.2f %7.2f\n", row.name.c_str(),
                      row.start, row.end, row.frameMs.size(), median(row.frameMs),
                      percentile95(row.frameMs));
        table += line;
        json += std::string(i > 0 ? "," : "") + "{\"scene\":\"" + row.name +
                "\",\"start_ms\":" + std::to_string(row.start) +
                ",\"end_ms\":" + std::to_string(row.end) +
                ",\"frames\":" + std::to_string(row.frameMs.size()) +
                format(",\"median_ms\":%.3f,\"p95_ms\":%.3f}", median(row.frameMs),
                       percentile95(row.frameMs));
    }
    char line[160];
    std::snprintf(line, sizeof line, "%-15s %8s %8s %7zu %10.2f %7.2f\n", "whole show", "", "",
                  all.size(), median(all), percentile95(all));
    table += line;
    std::snprintf(line, sizeof line, "total %.1f s for %zu frames, peak memory %ld KiB\n",
                  totalMs / 1000.0, all.size(), peakKib);
    table += line;
    json += "],\"frames\":" + std::to_string(all.size()) +
            format(",\"median_ms\":%.3f,\"p95_ms\":%.3f", median(all), percentile95(all)) +
            format(",\"total_ms\":%.1f", totalMs) + ",\"peak_rss_kib\":" + std::to_string(peakKib) +
            "}";
    return table + json + "\n";
}
