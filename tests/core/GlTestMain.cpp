// Runs the GL tests in one real window: Mesa's software renderer under Xvfb.
#include "shell/Window.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (!gWindow.create("Quorvane test", 800, 600, 16, 0)) {
        std::fprintf(stderr, "no GL window (is DISPLAY set?): %s\n", SDL_GetError());
        return 1;
    }
    gWindow.initGL(0.0f, 0.0f, 0.0f, 0.0f);
    const int status = RUN_ALL_TESTS();
    gWindow.destroy();
    return status;
}
