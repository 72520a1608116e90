// The demo on a desktop with SDL 1.2: plays the show once, in real time, and exits.
#include "shell/Demo.h"

#include <cstdlib>

int main(int /*argc*/, char** /*argv*/)
{
    // OpenGL comes only with SDL's X11 driver; left to choose, SDL would fall back to a
    // text-mode driver that scribbles over the terminal before the GL mode fails anyway.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    return runGuarded(playShow);
}
