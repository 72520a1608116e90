// The show's clock (platformNowMs, Win32Clock.cpp) and the system timer's resolution
// while the show runs.
#pragma once

class TimerResolution {
public:
    // The scheduler's tick at 1 ms instead of Windows' default 15.6 ms, so that the music's
    // feeder thread, waiting on the device beside a frame loop that never sleeps, runs
    // within a millisecond of being woken.
    void raise();
    // Back to what it was, if raise changed it.
    void restore();

private:
    bool raised = false;  // timeBeginPeriod is in force
};

extern TimerResolution gTimerResolution;
