#include "FrameTimes.h"

#include <cstdio>
#include <cstring>

bool FrameTimes::load(const std::string& path, std::string* error)
{
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        *error = "cannot read " + path;
        return false;
    }
    frames.clear();
    bool started = false;
    uint32_t startTicks = 0;
    char line[256];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        unsigned ticks = 0;
        long long ns = 0;
        if (std::sscanf(line, "start %u %lld", &ticks, &ns) == 2) {
            started = true;
            startTicks = ticks;
            startNs = ns;
        } else if (std::sscanf(line, "frame %u %lld", &ticks, &ns) == 2 && started) {
            // Unsigned arithmetic, as the show's own loop: a wrapping tick counter is fine.
            frames.push_back({static_cast<uint32_t>(ticks - startTicks), ns});
        } else if (std::sscanf(line, "sound %lld", &ns) == 1) {
            soundNs = ns;
        }
    }
    std::fclose(file);
    if (!started || frames.empty()) {
        *error = path + " notes no show start and frame";
        return false;
    }
    return true;
}

const ShownFrame* FrameTimes::frameAt(uint32_t showMs) const
{
    for (const ShownFrame& frame : frames) {
        if (frame.showMs >= showMs) return &frame;
    }
    return nullptr;
}
