#include "shell/Schedule.h"

#include "scenes/SceneFrame.h"
#include "timeline/Timeline.h"

#include <cstdint>

namespace {

// The show: one track, clips abutting from 1 ms to 85500 ms.
struct ScheduleRow {
    int32_t start;
    int32_t end;
    SceneFunction scene;
    Easing easing;
    float value;
    const char* name;  // what the clip shows, in reports
};
const ScheduleRow kSchedule[] = {
    {1, 2000, sceneStill, Constant, 1.0f, "opening still"},
    {2000, 6000, sceneZoomOut, Cosine, 1.0f, "zoom out"},
    {6000, 12000, sceneSpin, Constant, 1.0f, "spin"},
    {12000, 16000, sceneParticles, Cosine, 1.0f, "particles"},
    {16000, 29000, sceneCredits, Cosine, 1.0f, "credits"},
    {29000, 43000, sceneSplit, Cosine, 1.0f, "split"},
    {43000, 84000, sceneGreetings, Cosine, 1.0f, "greetings"},
    {84000, 85500, sceneStill, Constant, 1.0f, "closing still"},
};
constexpr int32_t kTrackId = 0;

// What clip `index` of the schedule shows (0 is the first); null past the last.
const char* sceneName(size_t index)
{
    return index < sizeof kSchedule / sizeof kSchedule[0] ? kSchedule[index].name : nullptr;
}

}  // namespace

Timeline* buildSchedule()
{
    Timeline* timeline = new Timeline();
    Track* track = timeline->addTrack(kTrackId);
    for (const ScheduleRow& row : kSchedule) {
        track->addClip(row.start, row.end, row.scene, row.easing, row.value);
    }
    return timeline;
}

std::vector<ScheduledClip> scheduledClips()
{
    std::vector<ScheduledClip> clips;
    for (const Clip* clip = Clip::first; clip != nullptr; clip = clip->next) {
        const size_t index = clips.size();
        clips.push_back({index, clip->getStart(), clip->getEnd(), sceneName(index)});
    }
    return clips;
}
