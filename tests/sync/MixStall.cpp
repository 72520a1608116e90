// Loaded into the live demo with LD_PRELOAD by sync_test.sh: a sound server that is slow to
// start a stream, made exact. The first mix pass that begins after each Mix_PlayMusic is held
// back QUORVANE_STALL_MS ms on SDL's audio thread before the mixer fills it, as a stalled
// stream start holds SDL's thread; the log says when each music was started and mixed, when
// the demo's own code first read the clock after it, and numbers the frames shown.
//   QUORVANE_STALL_LOG=FILE      where the log goes (required)
//   QUORVANE_STALL_MS=N          the hold, default 0
//   QUORVANE_STALL_QUIT_FRAMES=N sends the demo SIGTERM (a quit request) once it has shown
//                                N frames after its last music start; 0 or unset: never
//   QUORVANE_STALL_QUIT_PLAYS=N  ... after its N-th music start (--loop), default 1
//   QUORVANE_STALL_QUIT_HELD_MS=N sends it SIGTERM N ms into a hold instead
//   QUORVANE_STALL_DRAW_MS=N     holds the demo's first glBegin N ms, as a software renderer
//                                compiling its shaders draws the first frame slowly
// Log lines, times in ms of CLOCK_MONOTONIC:
//   play MS      Mix_PlayMusic returned
//   mixed MS     the held pass has the music in it: it leaves for the sound server now
//   clock MS     the demo's first clock reading after the last play
//   frame N MS   the N-th frame since the last play left SDL_GL_SwapBuffers
#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

namespace {

double nowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

int envNumber(const char* name)
{
    const char* text = std::getenv(name);
    return text != nullptr ? std::atoi(text) : 0;
}

void* next(const char* name)
{
    void* found = dlsym(RTLD_NEXT, name);
    if (found == nullptr) {
        std::fprintf(stderr, "quorvane: mix stall: no %s\n", name);
        std::abort();
    }
    return found;
}

std::mutex gLogLock;
std::FILE* gLog = nullptr;

template <typename... Args>
void note(const char* format, Args... args)
{
    const std::lock_guard<std::mutex> lock(gLogLock);
    if (gLog == nullptr) {
        const char* path = std::getenv("QUORVANE_STALL_LOG");
        if (path == nullptr || (gLog = std::fopen(path, "w")) == nullptr) std::abort();
    }
    std::fprintf(gLog, format, args...);
    std::fflush(gLog);
}

std::atomic<bool> gHoldNext{false};   // the next pass to begin is held
std::atomic<bool> gClockNoted{true};  // the first reading after the last play is logged
std::atomic<int> gFramesSincePlay{0};
std::atomic<int> gPlays{0};
void (*gMix)(void*, Uint8*, int) = nullptr;  // the mixer's own callback

void heldMix(void* context, Uint8* stream, int length)
{
    const bool hold = gHoldNext.exchange(false);
    if (hold) {
        const int holdMs = envNumber("QUORVANE_STALL_MS");
        const int quitMs = envNumber("QUORVANE_STALL_QUIT_HELD_MS");
        const int firstMs = quitMs > 0 && quitMs < holdMs ? quitMs : holdMs;
        usleep(static_cast<useconds_t>(firstMs) * 1000);
        if (firstMs < holdMs) {
            kill(getpid(), SIGTERM);
            usleep(static_cast<useconds_t>(holdMs - firstMs) * 1000);
        }
    }
    gMix(context, stream, length);
    if (hold) note("mixed %.1f\n", nowMs());
}

// Whether the call comes from SDL or its mixer rather than from the demo.
bool fromSdl(const void* caller)
{
    Dl_info info{};
    return dladdr(caller, &info) != 0 && info.dli_fname != nullptr &&
           std::strstr(info.dli_fname, "libSDL") != nullptr;
}

}  // namespace

extern "C" {

int SDL_OpenAudio(SDL_AudioSpec* desired, SDL_AudioSpec* obtained)
{
    static const auto real =
        reinterpret_cast<int (*)(SDL_AudioSpec*, SDL_AudioSpec*)>(next("SDL_OpenAudio"));
    gMix = desired->callback;
    desired->callback = heldMix;
    return real(desired, obtained);
}

int Mix_PlayMusic(Mix_Music* music, int loops)
{
    static const auto real = reinterpret_cast<int (*)(Mix_Music*, int)>(next("Mix_PlayMusic"));
    const int result = real(music, loops);
    note("play %.1f\n", nowMs());
    gFramesSincePlay = 0;
    ++gPlays;
    gClockNoted = false;
    gHoldNext = true;
    return result;
}

Uint32 SDL_GetTicks(void)
{
    static const auto real = reinterpret_cast<Uint32 (*)()>(next("SDL_GetTicks"));
    if (!gClockNoted && !fromSdl(__builtin_return_address(0)) && !gClockNoted.exchange(true)) {
        note("clock %.1f\n", nowMs());
    }
    return real();
}

void glBegin(unsigned mode)
{
    static const auto real = reinterpret_cast<void (*)(unsigned)>(next("glBegin"));
    static std::atomic<bool> held{false};
    if (!held.exchange(true))
        usleep(static_cast<useconds_t>(envNumber("QUORVANE_STALL_DRAW_MS")) * 1000);
    real(mode);
}

void SDL_GL_SwapBuffers(void)
{
    static const auto real = reinterpret_cast<void (*)()>(next("SDL_GL_SwapBuffers"));
    real();
    const int frame = ++gFramesSincePlay;
    note("frame %d %.1f\n", frame, nowMs());
    const int quitFrames = envNumber("QUORVANE_STALL_QUIT_FRAMES");
    const int quitPlays = envNumber("QUORVANE_STALL_QUIT_PLAYS");
    if (quitFrames > 0 && frame == quitFrames && gPlays >= (quitPlays > 0 ? quitPlays : 1)) {
        kill(getpid(), SIGTERM);
    }
}

}  // extern "C"
