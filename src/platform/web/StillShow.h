// ?at=MS: the capture program's still for MS, on its virtual clock. The frames before it
// are run without drawing; the still stays on the canvas and the page is told.
#pragma once

#include "offline/OfflineRun.h"

#include <cstdint>
#include <memory>

class StillShow {
public:
    // Returns 0, or 1 after its line on the console.
    int start(int32_t requestedMs);

private:
    static void onStep(void* show) { static_cast<StillShow*>(show)->step(); }
    void step();

    std::unique_ptr<OfflineRun> run;  // the virtual clock
    int32_t requested = 0;            // the still's time
};

extern StillShow gStillShow;
