// The show's schedule: eight scenes on one track, from 1 ms to 85500 ms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class Timeline;

// Builds the timeline's one track with the show's eight clips; throws a timeline code
// should the schedule ever be invalid.
Timeline* buildSchedule();

// A clip of the timeline as reports name it.
struct ScheduledClip {
    size_t index;      // its place among the clips, 0 for the first added
    int32_t start;     // its interval in ms of the show: start inclusive...
    int32_t end;       // ...end exclusive
    const char* name;  // what it shows; null past the schedule's rows
};

// Every clip of the timeline, in the order the clips were added.
std::vector<ScheduledClip> scheduledClips();
