// Preloaded into the live demo by tools/tracecmp.sh, makes its frames the same on every run:
// each clock reading the program itself takes on its main thread is one fixed step later
// than the one before, and after a given number of shown frames the clock leaps past the
// show's end, so the show closes as it does when it has played through.
//   QUORVANE_TRACE_STEP_MS=N  the step between two readings (the frame loop reads once a pass)
//   QUORVANE_TRACE_FRAMES=N   frames shown before the leap
// SDL's and the mixer's own readings (the audio thread's pacing, key repeat) and those of
// other threads get the real clock, so that sound still plays at its pace.
#include <dlfcn.h>
#include <sys/auxv.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr uint32_t kLeapMs = 100000000;  // far past the show's end, far from wrapping

long environmentNumber(const char* name)
{
    const char* text = std::getenv(name);
    char* end = nullptr;
    const long value = text != nullptr ? std::strtol(text, &end, 10) : -1;
    if (text == nullptr || *end != '\0' || value <= 0) {
        std::fprintf(stderr, "quorvane: tracecmp clock: %s must be a positive number\n", name);
        std::exit(2);
    }
    return value;
}

template <typename Function>
Function realFunction(const char* name)
{
    void* found = dlsym(RTLD_NEXT, name);
    if (found == nullptr) {
        std::fprintf(stderr, "quorvane: tracecmp clock: no %s to wrap\n", name);
        std::exit(2);
    }
    return reinterpret_cast<Function>(found);
}

// Whether a call came from the program's own code on its main thread: the object holding
// the return address is the one holding the program's entry point.
bool programCalled(const void* returnAddress)
{
    static const void* programBase = [] {
        Dl_info entry{};
        dladdr(reinterpret_cast<void*>(getauxval(AT_ENTRY)), &entry);
        return entry.dli_fbase;
    }();
    Dl_info caller{};
    return gettid() == getpid() && dladdr(returnAddress, &caller) != 0 &&
           caller.dli_fbase == programBase;
}

class SteppedClock {
public:
    uint32_t read()
    {
        const uint32_t now = readings * step + (leapt ? kLeapMs : 0);
        ++readings;
        return now;
    }

    void frameShown()
    {
        if (++shown >= frames) leapt = true;
    }

private:
    uint32_t step = static_cast<uint32_t>(environmentNumber("QUORVANE_TRACE_STEP_MS"));
    long frames = environmentNumber("QUORVANE_TRACE_FRAMES");
    uint32_t readings = 0;
    long shown = 0;
    bool leapt = false;
};

SteppedClock& clock()
{
    static SteppedClock steppedClock;
    return steppedClock;
}

}  // namespace

extern "C" uint32_t SDL_GetTicks(void)
{
    static const auto real = realFunction<uint32_t (*)()>("SDL_GetTicks");
    if (!programCalled(__builtin_return_address(0))) return real();
    return clock().read();
}

extern "C" void SDL_GL_SwapBuffers(void)
{
    static const auto real = realFunction<void (*)()>("SDL_GL_SwapBuffers");
    real();
    if (programCalled(__builtin_return_address(0))) clock().frameShown();
}
