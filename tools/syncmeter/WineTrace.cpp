#include "WineTrace.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int64_t kNsPerMs = 1000000;
// The program reads the clock first when SDL starts, then when its show starts.
constexpr int kStartReading = 2;
constexpr char kClockCall[] = "Call KERNEL32.QueryPerformanceCounter";
constexpr char kClockReturn[] = "Ret  KERNEL32.QueryPerformanceCounter";
constexpr char kSwapReturn[] = "Ret  gdi32.SwapBuffers";
constexpr char kSoundCall[] = "Call winmm.waveOutWrite";

bool startsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

struct TracedFrame {
    int64_t readingNs;  // the clock reading the frame was drawn for
    int64_t shownNs;    // SwapBuffers' return
};

class TraceReader {
public:
    // Takes one line; returns whether it was a stamped trace line.
    bool take(const char* line)
    {
        long long stamp = 0;
        unsigned thread = 0;
        int used = 0;
        // "@NS " from StderrStamps.cpp, then Wine's "TID:" (+tid) and the traced call.
        if (std::sscanf(line, "@%lld %x:%n", &stamp, &thread, &used) != 2 || used == 0) {
            return false;
        }
        const char* call = line + used;
        if (startsWith(call, kClockCall)) {
            if (mainThread == 0) mainThread = thread;
            if (thread == mainThread) callNs = stamp;
        } else if (startsWith(call, kClockReturn)) {
            if (thread != mainThread) return true;
            // The counter was read between the call's line and the return's.
            lastReadingNs = callNs + (stamp - callNs) / 2;
            if (++readings == kStartReading) startNs = lastReadingNs;
        } else if (startsWith(call, kSwapReturn)) {
            if (thread == mainThread && readings >= kStartReading) {
                frames.push_back({lastReadingNs, stamp});
            }
        } else if (startsWith(call, kSoundCall) && soundNs == 0) {
            soundNs = stamp;
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
        // The program's own readings are whole ms since its start: so are these.
        std::fprintf(file, "start 0 %lld\n", static_cast<long long>(startNs));
        if (soundNs != 0) std::fprintf(file, "sound %lld\n", static_cast<long long>(soundNs));
        for (const TracedFrame& frame : frames) {
            std::fprintf(file, "frame %lld %lld\n",
                         static_cast<long long>((frame.readingNs - startNs) / kNsPerMs),
                         static_cast<long long>(frame.shownNs));
        }
        if (std::fclose(file) != 0) {
            *error = "cannot write " + path;
            return false;
        }
        return true;
    }

private:
    unsigned mainThread = 0;  // the thread that read the clock first
    int readings = 0;
    int64_t callNs = 0;  // the main thread's last clock call
    int64_t lastReadingNs = 0;
    int64_t startNs = 0;
    int64_t soundNs = 0;
    std::vector<TracedFrame> frames;
};

}  // namespace

bool convertWineTrace(std::FILE* input, std::FILE* otherLines, const std::string& logPath,
                      std::string* error)
{
    TraceReader reader;
    std::vector<char> line(64 * 1024);
    while (std::fgets(line.data(), static_cast<int>(line.size()), input) != nullptr) {
        if (!reader.take(line.data())) std::fputs(line.data(), otherLines);
    }
    return reader.write(logPath, error);
}
