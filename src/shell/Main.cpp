// The demo on a desktop with SDL 1.2: plays the show once, in real time, and exits; with
// --loop it plays it again and again until Escape or a quit.
#include "shell/Demo.h"
#include "shell/ShowArguments.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const ShowArguments arguments = readShowArguments(argc, argv);
    if (arguments.unknown != nullptr) {
        std::fprintf(stderr, "quorvane: unknown option %s (try --help)\n", arguments.unknown);
        return kUnknownOptionStatus;
    }
    if (arguments.help) {
        std::fputs(showUsage("quorvane"), stdout);
        return 0;
    }
    // OpenGL comes only with SDL's X11 driver; left to choose, SDL would fall back to a
    // text-mode driver that scribbles over the terminal before the GL mode fails anyway.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    const bool loop = arguments.loop;
    return runGuarded([loop] { return playShow(loop); });
}
