// The demo: plays the show once, in real time, and exits.
#include "shell/Demo.h"

#include "timeline/Timeline.h"

namespace {

int playShow()
{
    Timeline* timeline = startUp();
    if (timeline == nullptr) return 1;
    runFrameLoop(*timeline, realTimeHooks());
    shutDown();
    return 0;
}

}  // namespace

int main(int /*argc*/, char** /*argv*/) { return runGuarded(playShow); }
