#include "ProgressLine.h"

#include "offline/ShowFrames.h"
#include "offline/Stopwatch.h"

#include <unistd.h>

#include <cstdio>

ProgressLine::ProgressLine(int32_t totalFrames)
    : totalFrames(totalFrames), startMs(Stopwatch::nowMs()), onTerminal(isatty(STDERR_FILENO) != 0)
{
}

void ProgressLine::frameDone(int32_t framesDone, int32_t elapsedMs)
{
    if (framesDone - lastPrinted < kFramesPerSecond && framesDone != totalFrames) return;
    lastPrinted = framesDone;
    const double seconds = (Stopwatch::nowMs() - startMs) / 1000.0;
    const double rate = seconds > 0.0 ? framesDone / seconds : 0.0;
    const double share = totalFrames > 0 ? 100.0 * framesDone / totalFrames : 100.0;
    std::fprintf(stderr, "%sframe %d/%d  %.2f s  %.1f%%  %.1f fps%s", onTerminal ? "\r" : "",
                 framesDone, totalFrames, elapsedMs / 1000.0, share, rate,
                 onTerminal ? "   " : "\n");
    std::fflush(stderr);
    printed = true;
}

void ProgressLine::finish()
{
    if (printed && onTerminal) std::fputc('\n', stderr);
    printed = false;
}
