// The demo on a desktop with SDL 1.2: plays the show once, in real time, and exits; with
// --loop it plays it again and again until Escape or a quit.
#include "shell/Demo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kUsageStatus = 2;
constexpr char kUsage[] = "usage: quorvane [--loop]\n"
                          "  --loop  play the show again each time it ends, until Escape\n";

}  // namespace

int main(int argc, char** argv)
{
    bool loop = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--loop") == 0) {
            loop = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "quorvane: unknown option %s (try --help)\n", argv[i]);
            return kUsageStatus;
        }
    }
    // OpenGL comes only with SDL's X11 driver; left to choose, SDL would fall back to a
    // text-mode driver that scribbles over the terminal before the GL mode fails anyway.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    return runGuarded([loop] { return playShow(loop); });
}
