// The show's schedule: eight scenes on one track, from 1 ms to 85500 ms.
#pragma once

#include <cstddef>

class Timeline;

// Builds the timeline's one track with the show's eight clips; throws a timeline code
// should the schedule ever be invalid.
Timeline* buildSchedule();

// What clip `index` of the schedule shows (0 is the first), for reports; null past the last.
const char* sceneName(size_t index);
