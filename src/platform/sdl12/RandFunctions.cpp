// The demo draws its landscape and its particles from the C library's rand() and its
// native builds have glibc's; the browser's C library has another generator. This one
// takes its place: glibc's sequence, unseeded as srand(1), and srand to start it again.
#include "platform/LibcRandom.h"
#include "platform/sdl12/SharedRandom.h"

#include <cstdlib>

namespace {

LibcRandom& generator()
{
    // Made on first use: global constructors draw numbers before main.
    static LibcRandom shared;
    return shared;
}

}  // namespace

LibcRandom& sharedRandom() { return generator(); }

extern "C" int rand(void) { return generator().next(); }

extern "C" void srand(unsigned int seed) { generator().seed(seed); }
