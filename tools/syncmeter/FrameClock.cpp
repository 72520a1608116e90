// Measurement from outside the live demo, loaded into it with LD_PRELOAD by
// tools/syncmeter.sh: the demo's calls pass through unchanged, and a log notes the clock
// reading the show started from, the reading each frame was drawn for and when that frame
// left SDL_GL_SwapBuffers, and when the first sound was handed to PulseAudio.
//   QUORVANE_SYNCMETER_FRAMES=FILE  where the log goes (nothing is noted without it)
//   QUORVANE_SYNCMETER_HOLD_MS=N    holds the first sound back N ms: the meter's control
// Log lines, times in ns of CLOCK_MONOTONIC:
//   start TICKS NS      the reading the show's time 0 stands for, and when that was
//   frame TICKS NS      a frame drawn for the clock reading TICKS was on screen at NS
//   sound NS            the first PulseAudio write began
#include <SDL.h>
#include <dlfcn.h>
#include <link.h>
#include <pulse/stream.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace {

constexpr Uint32 kFrameMs = 20;  // the show draws its first frame once more than this passed
constexpr int64_t kNsPerMs = 1000000;

int64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

template <typename Function>
Function realFunction(const char* name)
{
    void* found = dlsym(RTLD_NEXT, name);
    if (found == nullptr) {
        std::fprintf(stderr, "quorvane: syncmeter: no %s to measure\n", name);
        std::abort();
    }
    return reinterpret_cast<Function>(found);
}

// The addresses the main program's code is loaded at: SDL itself reads the clock too
// (key repeat, timers), and only the demo's own readings date its frames.
class ProgramCode {
public:
    bool holds(const void* address)
    {
        std::call_once(found, [this] { dl_iterate_phdr(noteProgram, this); });
        const auto at = reinterpret_cast<uintptr_t>(address);
        return at >= begin && at < end;
    }

private:
    static int noteProgram(dl_phdr_info* info, size_t, void* data)
    {
        auto* code = static_cast<ProgramCode*>(data);
        // The first object listed is the program itself.
        for (int i = 0; i < info->dlpi_phnum; ++i) {
            const ElfW(Phdr)& header = info->dlpi_phdr[i];
            if (header.p_type != PT_LOAD || (header.p_flags & PF_X) == 0) continue;
            const uintptr_t start = info->dlpi_addr + header.p_vaddr;
            if (code->begin == 0 || start < code->begin) code->begin = start;
            if (start + header.p_memsz > code->end) code->end = start + header.p_memsz;
        }
        return 1;
    }

    std::once_flag found;
    uintptr_t begin = 0;
    uintptr_t end = 0;
};

class FrameLog {
public:
    FrameLog()
    {
        const char* path = std::getenv("QUORVANE_SYNCMETER_FRAMES");
        if (path != nullptr) file = std::fopen(path, "w");
        if (path != nullptr && file == nullptr) {
            std::fprintf(stderr, "quorvane: syncmeter: cannot write %s\n", path);
            std::exit(1);
        }
        if (const char* hold = std::getenv("QUORVANE_SYNCMETER_HOLD_MS")) holdMs = std::atoi(hold);
    }
    ~FrameLog()
    {
        if (file != nullptr) std::fclose(file);
    }

    void clockRead(Uint32 ticks)
    {
        lastTicks = ticks;
        lastReadingNs = monotonicNs();
        if (!started) {
            started = true;
            startTicks = ticks;
        } else if (firstFrameMs == 0 && ticks - startTicks > kFrameMs) {
            firstFrameMs = ticks - startTicks;
        }
    }

    void frameShown()
    {
        if (!started) return;
        if (!anyFrameShown) {
            // The show starts its music once its first frame is drawn and resumes its clock
            // at that frame's time when the music plays: its last reading before the frame
            // is shown. Time 0 is then that much earlier (for a show that does not wait, the
            // first reading itself).
            anyFrameShown = true;
            note("start %u %lld\n", lastTicks - firstFrameMs,
                 static_cast<long long>(lastReadingNs - int64_t{firstFrameMs} * kNsPerMs));
        }
        note("frame %u %lld\n", lastTicks, static_cast<long long>(monotonicNs()));
    }

    // Called on SDL's audio thread.
    void soundWritten()
    {
        std::call_once(firstSound, [this] {
            note("sound %lld\n", static_cast<long long>(monotonicNs()));
            if (holdMs <= 0) return;
            const timespec hold{holdMs / 1000, (holdMs % 1000) * 1000000L};
            nanosleep(&hold, nullptr);
        });
    }

    template <typename... Args>
    void note(const char* format, Args... args)
    {
        if (file == nullptr) return;
        std::lock_guard<std::mutex> lock(writing);
        std::fprintf(file, format, args...);
        std::fflush(file);
    }

private:
    std::FILE* file = nullptr;
    std::mutex writing;
    std::once_flag firstSound;
    int holdMs = 0;
    bool started = false;       // the program has read the clock
    Uint32 startTicks = 0;      // its first reading
    Uint32 firstFrameMs = 0;    // the first reading more than a frame's time after it
    Uint32 lastTicks = 0;       // the last reading
    int64_t lastReadingNs = 0;  // when that was taken
    bool anyFrameShown = false;
};

ProgramCode gProgramCode;
FrameLog gFrameLog;

}  // namespace

extern "C" {

Uint32 SDL_GetTicks(void)
{
    static const auto real = realFunction<Uint32 (*)()>("SDL_GetTicks");
    const Uint32 ticks = real();
    if (gProgramCode.holds(__builtin_return_address(0))) gFrameLog.clockRead(ticks);
    return ticks;
}

void SDL_GL_SwapBuffers(void)
{
    static const auto real = realFunction<void (*)()>("SDL_GL_SwapBuffers");
    real();
    gFrameLog.frameShown();
}

int pa_stream_write(pa_stream* stream, const void* data, size_t bytes, pa_free_cb_t freeData,
                    int64_t offset, pa_seek_mode_t seek)
{
    using Write = int (*)(pa_stream*, const void*, size_t, pa_free_cb_t, int64_t, pa_seek_mode_t);
    static const auto real = realFunction<Write>("pa_stream_write");
    gFrameLog.soundWritten();
    return real(stream, data, bytes, freeData, offset, seek);
}

}  // extern "C"
