// The demo's sequencer: clips on numbered tracks turn elapsed milliseconds into
// calls of scene functions with an eased argument. A bad schedule is reported by
// throwing a negative int code (see TimelineError).
#pragma once

#include <cstdint>

// Every clip callback and every scene function.
using SceneFunction = void (*)(float);
using TriggerFunction = void (*)();

// How a clip forms its scene function's argument. Values outside 0..4 act as Constant.
enum Easing : int32_t {
    Constant = 0,       // the clip's value, unchanged
    Linear = 1,         // progress p, rising from 0 towards 1
    LinearReverse = 2,  // remaining share r, falling from 1 towards 0
    Cosine = 3,         // (1 - cos(p * pi)) * 0.5
    CosineReverse = 4,  // 0.5 - cos(r * pi) * 0.5
};

// The int codes thrown for a rejected schedule.
enum TimelineError : int {
    TrackIdTaken = -1,
    NegativeTime = -2,
    EndBeforeStart = -3,
    ClipOverlaps = -4,
};

// Argument a clip hands its callback at `time`, which must lie in [start, end).
float easedArgument(Easing easing, float value, int32_t start, int32_t end, int32_t time);

class Clip {
public:
    Clip(int32_t trackId, int32_t start, int32_t end, SceneFunction callback, Easing easing,
         float value);

    // Calls the callback when this clip belongs to `trackId` and `time` lies in [start, end).
    void update(int32_t trackId, int32_t time) const;

    int32_t getTrackId() const { return trackId; }
    int32_t getStart() const { return start; }
    int32_t getEnd() const { return end; }

    // True when [start, end) would collide with a clip already on that track.
    static bool overlaps(int32_t trackId, int32_t start, int32_t end);
    static Clip* last();

    static Clip* first;  // head of the one list that holds the clips of all tracks

    Clip* next;  // next clip in creation order; null at the tail
private:
    int32_t trackId;         // id of the owning track
    int32_t start;           // first millisecond, inclusive
    int32_t end;             // last millisecond, exclusive
    SceneFunction callback;  // called on every update inside [start, end)
    Easing easing;           // how the argument is formed
    float value;             // the argument under Constant easing
};

class Track {
public:
    explicit Track(int32_t id);

    // Adds a clip on this track, raising the track's and the timeline's length.
    // Returns null when memory cannot be had; rejected schedules throw.
    Clip* addClip(int32_t start, int32_t end, SceneFunction callback, Easing easing, float value);

    // Visits every clip of the global list with this track's id.
    void update(int32_t time) const;

    int32_t getId() const { return id; }
    int32_t getLatestEnd() const { return latestEnd; }

    static Track* find(int32_t id);
    static Track* last();

    static Track* first;  // head of the track list; null while there is none

    Track* next;  // next track in creation order; null at the tail
private:
    int32_t latestEnd;  // greatest end among this track's clips
    int32_t id;         // unique among all tracks
};

// A one-shot callback that fires on the first check with a later time.
struct Trigger {
    Trigger* next;             // next trigger in the global list
    TriggerFunction callback;  // called once when the trigger fires
    int32_t time;              // fires on the first check with a time above this
    bool fired;                // never fires again once set

    void check(int32_t now);

    static Trigger* first;  // head of the trigger list (the demo adds none)
    // Links a trigger at the tail of the list; the trigger must outlive the timeline.
    static void append(Trigger* trigger);
};

// Lists and length are class-wide: every Timeline object sees the same schedule.
class Timeline {
public:
    Timeline();

    // Creates and links a track; throws TrackIdTaken when the id is in use.
    Track* addTrack(int32_t id);

    // Runs every clip that holds `time`, track by track, then checks the triggers.
    void update(int32_t time) const;

    int32_t getLength() const { return length; }
    void setLength(int32_t ms) { length = ms; }

    static Timeline* instance;  // the most recently constructed timeline
private:
    static int32_t length;  // greatest clip end added so far; never lowered
};
