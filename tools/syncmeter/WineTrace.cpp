#include "WineTrace.h"

#include <time.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr int64_t kNsPerMs = 1000000;
// Wine prints whole ms: an event stamped T happened in [T, T + 1) ms, on average half way.
constexpr int64_t kTruncationNs = kNsPerMs / 2;
// The program reads the clock first when SDL starts, then when its show starts.
constexpr int kStartReading = 2;

int64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct TracedFrame {
    int64_t clockMs;  // Wine's stamp of the reading the frame was drawn for
    int64_t shownMs;  // Wine's stamp of SwapBuffers' return
};

class TraceReader {
public:
    // Takes one line, stamped `arrival`; returns whether it was a traced call.
    bool take(const char* line, int64_t arrival)
    {
        unsigned seconds = 0;
        unsigned ms = 0;
        unsigned thread = 0;
        int used = 0;
        if (std::sscanf(line, "%u.%u:%x:%n", &seconds, &ms, &thread, &used) != 3 || used == 0) {
            return false;
        }
        const int64_t stampMs = static_cast<int64_t>(seconds) * 1000 + ms;
        const int64_t offset = arrival - stampMs * kNsPerMs;
        if (offset < clockOffsetNs) clockOffsetNs = offset;
        const char* call = line + used;
        if (std::strncmp(call, "Call KERNEL32.QueryPerformanceCounter", 37) == 0) {
            if (mainThread == 0) mainThread = thread;
            if (thread != mainThread) return true;
            lastReadingMs = stampMs;
            if (++readings == kStartReading) startMs = stampMs;
        } else if (std::strncmp(call, "Ret  gdi32.SwapBuffers", 22) == 0) {
            if (thread == mainThread && readings >= kStartReading) {
                frames.push_back({lastReadingMs, stampMs});
            }
        } else if (std::strncmp(call, "Call winmm.waveOutWrite", 23) == 0) {
            if (soundMs < 0) soundMs = stampMs;
        }
        return true;
    }

    bool write(const std::string& path, std::string* error) const
    {
        if (readings < kStartReading || frames.empty()) {
            *error = "Wine's trace shows no show start and frame (is the relay trace on?)";
            return false;
        }
        std::FILE* file = std::fopen(path.c_str(), "w");
        if (file == nullptr) {
            *error = "cannot write " + path;
            return false;
        }
        std::fprintf(file, "start %lld %lld\n", static_cast<long long>(startMs),
                     static_cast<long long>(toMonotonic(startMs)));
        if (soundMs >= 0) {
            std::fprintf(file, "sound %lld\n", static_cast<long long>(toMonotonic(soundMs)));
        }
        for (const TracedFrame& frame : frames) {
            std::fprintf(file, "frame %lld %lld\n", static_cast<long long>(frame.clockMs),
                         static_cast<long long>(toMonotonic(frame.shownMs)));
        }
        if (std::fclose(file) != 0) {
            *error = "cannot write " + path;
            return false;
        }
        return true;
    }

private:
    // Every line arrives after its event: the least gap seen bounds the clocks' offset.
    int64_t toMonotonic(int64_t stampMs) const
    {
        return stampMs * kNsPerMs + clockOffsetNs + kTruncationNs;
    }

    int64_t clockOffsetNs = std::numeric_limits<int64_t>::max();
    unsigned mainThread = 0;
    int readings = 0;
    int64_t lastReadingMs = 0;
    int64_t startMs = 0;
    int64_t soundMs = -1;
    std::vector<TracedFrame> frames;
};

}  // namespace

bool convertWineTrace(std::FILE* input, std::FILE* otherLines, const std::string& logPath,
                      std::string* error)
{
    TraceReader reader;
    std::vector<char> line(64 * 1024);
    while (std::fgets(line.data(), static_cast<int>(line.size()), input) != nullptr) {
        if (!reader.take(line.data(), monotonicNs())) std::fputs(line.data(), otherLines);
    }
    return reader.write(logPath, error);
}
