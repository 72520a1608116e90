// ?bench: the capture program's virtual clock with every frame's cost measured, the whole
// show or its first MS (?bench&until=MS), each frame drawn and waited for; ?bench=skip
// times the same passes run without drawing. The figures go to the console as one
// "quorvane-bench {json}" line.
#pragma once

#include "offline/FrameCosts.h"
#include "offline/OfflineRun.h"

#include <cstdint>
#include <memory>

class BenchShow {
public:
    // Returns 0, or 1 after its line on the console.
    int start(int32_t untilMs, bool drawingSkipped);

private:
    static void onStep(void* show) { static_cast<BenchShow*>(show)->step(); }
    void step();
    void stepSkipped();
    void report();

    std::unique_ptr<OfflineRun> run;        // the virtual clock and the drawn frames' costs
    std::unique_ptr<FrameCosts> passCosts;  // drawing skipped: the cost of each whole pass
};

extern BenchShow gBenchShow;
