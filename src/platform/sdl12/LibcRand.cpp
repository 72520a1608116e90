// The demo draws its landscape and its particles from the C library's rand() and its
// native builds have glibc's; the browser's C library has another generator. This one
// takes its place: glibc's sequence, never seeded, as the art generator also computes it.
#include "platform/sdl12/LibcRandom.h"

#include <cstdlib>

extern "C" int rand(void)
{
    // Made on first use: global constructors draw numbers before main.
    static LibcRandom generator;
    return generator.next();
}
