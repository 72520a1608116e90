#include "WineTrace.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int64_t kNsPerMs = 1000000;
// The show draws its first frame once more than this has passed on its clock.
constexpr int64_t kFrameNs = 20 * kNsPerMs;
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
            if (++readings == kStartReading) firstReadingNs = lastReadingNs;
            if (readings > kStartReading && firstFrameNs == 0 &&
                lastReadingNs - firstReadingNs > kFrameNs) {
                firstFrameNs = lastReadingNs - firstReadingNs;
            }
        } else if (startsWith(call, kSwapReturn)) {
            if (thread != mainThread || readings < kStartReading) return true;
            // The show starts its music once its first frame is drawn and resumes its clock
            // at that frame's time when the music plays, with its last reading before the
            // frame is shown: time 0 is that much earlier.
            if (frames.empty()) startNs = lastReadingNs - firstFrameNs;
            frames.push_back({lastReadingNs, stamp});
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
    int64_t firstReadingNs = 0;  // the show's first reading
    int64_t firstFrameNs = 0;    // the show time its first frame was drawn for
    int64_t startNs = 0;         // when the show's clock, as it resumed, read 0
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
