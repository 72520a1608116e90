// quorvane-syncmeter: how far the music a sound server received is from the picture on
// screen, measured from outside the running show (tools/syncmeter.sh drives it).
//   quorvane-syncmeter record PATH
//       copies raw 16-bit samples from standard input into PATH.raw, dating each read
//       in PATH.times
//   quorvane-syncmeter measure --song SONG.raw --recording PATH --frames LOG [--rate HZ]
//       follows where in the song the recording is and prints, in ms, how late the music is
//       on the show's clock and behind the picture (negative: early) at chosen frames
//   quorvane-syncmeter delay MS
//       passes standard input on to standard output MS ms late: the meter's control
//   quorvane-syncmeter wine-frames LOG
//       turns Wine's relay trace on standard input into the frame log LOG; the trace's
//       other lines go on to standard error
#include "CommandLine.h"
#include "FrameTimes.h"
#include "Recording.h"
#include "SongMatcher.h"
#include "WineTrace.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr char kToolName[] = "quorvane-syncmeter";
constexpr char kUsage[] =
    "usage: quorvane-syncmeter record PATH | quorvane-syncmeter measure --song SONG.raw "
    "--recording PATH --frames LOG [--rate HZ] | quorvane-syncmeter delay MS | "
    "quorvane-syncmeter wine-frames LOG";
constexpr int kFailureStatus = 1;
constexpr int kDefaultRate = 44100;
constexpr uint32_t kLateCheckMs = 60000;   // the second figure: after a minute
constexpr uint32_t kCheckEveryMs = 10000;  // the table's spacing
// Recorded sound is matched a quarter of a second at a time: short enough to fit between
// the gaps of a sound that comes too late, long enough for one sharp peak.
constexpr double kMatchSeconds = 0.25;
constexpr double kStepSeconds = 0.05;           // past gaps and unmatched sound
constexpr double kTrackSeconds = 0.25;          // between matched stretches
constexpr double kEarliestMusicSeconds = -1.0;  // at first music this early or...
constexpr double kLatestMusicSeconds = 3.0;     // ...this late is searched for
constexpr double kSlackSeconds = 0.1;           // then as much either way beyond the last
constexpr double kGoodCorrelation = 0.6;        // a match below it is not trusted
constexpr int64_t kNsPerMs = 1000000;

int failWith(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", kToolName, message.c_str());
    return kFailureStatus;
}

bool loadSong(const std::string& path, std::vector<float>* song)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    int16_t block[4096];
    size_t count = 0;
    while ((count = std::fread(block, sizeof block[0], sizeof block / sizeof block[0], file)) > 0) {
        for (size_t i = 0; i < count; ++i) song->push_back(block[i] / 32768.0f);
    }
    std::fclose(file);
    return !song->empty();
}

// Music lateness at one frame on screen: the song position the sink was at when the frame
// was shown, set against the show time the frame was drawn for.
struct Lateness {
    bool found = false;
    double ms = 0.0;           // positive: the music is late (behind the picture)
    double correlation = 0.0;  // of the match it rests on
    int64_t songStartNs = 0;   // when, by the match, the sink took the song's first sample
};

// The music's lateness on the show's clock through the whole recording, followed from one
// matched stretch to the next: a song repeats its bars, and a search as wide as the
// lateness could grow would lock onto a repeat. The first stretch of music is searched
// widely; each next one only a little earlier than the last or up to its distance later
// (a gap delays the music by no more than the time it lasts). Beside long gaps a stretch
// can still lock onto a beat before or after its own.
class SyncMeter {
public:
    SyncMeter(const Recording& recording, const SongMatcher& matcher, const FrameTimes& frames)
        : recording(recording), frames(frames)
    {
        const int rate = recording.getRate();
        const size_t length = static_cast<size_t>(kMatchSeconds * rate);
        const size_t step = static_cast<size_t>(kStepSeconds * rate);
        const size_t every = static_cast<size_t>(kTrackSeconds * rate);
        size_t from = recording.soundOnset(0);
        while (from + length <= recording.size()) {
            const int64_t fromNs = recording.timeOf(static_cast<double>(from));
            // Were the music exactly on the show's clock, the song would be here:
            const double onTime = (fromNs - frames.getStartNs()) * 1e-9 * rate;
            double latest = kLatestMusicSeconds * rate;
            double earliest = kEarliestMusicSeconds * rate;
            if (!track.empty()) {
                const Point& last = track.back();
                const double lateness = (last.songStartNs - frames.getStartNs()) * 1e-9 * rate;
                latest = lateness + static_cast<double>(from - last.from) + kSlackSeconds * rate;
                earliest = lateness - kSlackSeconds * rate;
            }
            const SongMatch match = recording.holdsSilence(from, length)
                                        ? SongMatch()
                                        : matcher.match(recording.getSamples(), from, length,
                                                        static_cast<long>(onTime - latest),
                                                        static_cast<long>(onTime - earliest));
            if (match.correlation < kGoodCorrelation) {
                from += step;
                continue;
            }
            track.push_back({from, match.correlation,
                             recording.timeOf(static_cast<double>(from) - match.position)});
            from += every;
        }
    }

    // The music's lateness at a frame on screen, from the stretch matched nearest to the
    // frame's time.
    Lateness at(const ShownFrame& frame) const
    {
        Lateness result;
        const size_t at = recording.indexAt(frame.shownNs);
        const auto distance = [at](const Point& point) {
            return point.from > at ? point.from - at : at - point.from;
        };
        const auto nearest =
            std::min_element(track.begin(), track.end(), [&](const Point& a, const Point& b) {
                return distance(a) < distance(b);
            });
        if (nearest != track.end()) {
            const Point& point = *nearest;
            result.found = true;
            result.correlation = point.correlation;
            result.songStartNs = point.songStartNs;
            const double songMs = static_cast<double>(frame.shownNs - point.songStartNs) / kNsPerMs;
            result.ms = frame.showMs - songMs;
            return result;
        }
        return result;
    }

    // When, by the first stretch of music matched, the song's first sample reached the sink;
    // 0 when none matched.
    int64_t firstSongStartNs() const { return track.empty() ? 0 : track.front().songStartNs; }

private:
    struct Point {
        size_t from;          // the stretch's first recorded sample
        double correlation;   // of its match
        int64_t songStartNs;  // when, by it, the song's first sample reached the sink
    };

    const Recording& recording;
    const FrameTimes& frames;
    std::vector<Point> track;
};

// One row: how late the picture is on the show's clock, how late the music is on it, and
// the two set against each other, which is what a viewer sees and hears.
void printRow(const char* label, const ShownFrame& frame, const Lateness& lateness, int64_t startNs)
{
    const double shownMs = static_cast<double>(frame.shownNs - startNs) / kNsPerMs;
    std::printf("  %-12s frame for %5u ms shown at %8.1f ms: picture %+6.1f", label, frame.showMs,
                shownMs, shownMs - frame.showMs);
    if (!lateness.found) {
        std::printf(", no music matched\n");
        return;
    }
    const double musicMs = static_cast<double>(lateness.songStartNs - startNs) / kNsPerMs;
    std::printf(", music %+6.1f, music vs picture %+7.1f (correlation %.2f)\n", musicMs,
                lateness.ms, lateness.correlation);
}

int measure(const std::string& songPath, const std::string& recordingPath,
            const std::string& framesPath, int rate)
{
    std::string error;
    std::vector<float> song;
    if (!loadSong(songPath, &song)) return failWith("cannot read the song " + songPath);
    Recording recording;
    if (!recording.load(recordingPath, rate, &error)) return failWith(error);
    FrameTimes frames;
    if (!frames.load(framesPath, &error)) return failWith(error);
    const SongMatcher matcher(std::move(song));
    const SyncMeter meter(recording, matcher, frames);
    const int64_t startNs = frames.getStartNs();

    std::printf("in ms from the show's start; positive: late on the show's clock, or music "
                "behind picture\n");
    std::printf("  the sink's clock ran %+.0f ppm fast\n", recording.driftPpm());
    if (frames.getSoundNs() != 0) {
        std::printf("  first sound handed to the sound server at %.1f ms\n",
                    static_cast<double>(frames.getSoundNs() - startNs) / kNsPerMs);
    }
    const size_t onset = recording.soundOnset(0);
    if (onset < recording.size()) {
        std::printf("  first sound at the sink at %.1f ms\n",
                    static_cast<double>(recording.timeOf(static_cast<double>(onset)) - startNs) /
                        kNsPerMs);
    }
    if (meter.firstSongStartNs() != 0) {
        std::printf("  music start  the song's first sample at the sink at %.1f ms: music %+6.1f\n",
                    static_cast<double>(meter.firstSongStartNs() - startNs) / kNsPerMs,
                    static_cast<double>(meter.firstSongStartNs() - startNs) / kNsPerMs);
    }
    const ShownFrame& first = frames.getFrames().front();
    const Lateness atFirst = meter.at(first);
    printRow("first frame", first, atFirst, startNs);
    for (uint32_t showMs = kCheckEveryMs; frames.frameAt(showMs) != nullptr;
         showMs += kCheckEveryMs) {
        const ShownFrame& frame = *frames.frameAt(showMs);
        const std::string label = "at " + std::to_string(showMs / 1000) + " s";
        printRow(label.c_str(), frame, meter.at(frame), startNs);
    }
    const ShownFrame* late = frames.frameAt(kLateCheckMs);
    const Lateness afterMinute = late != nullptr ? meter.at(*late) : Lateness();
    const auto figure = [](const Lateness& lateness) {
        char text[32] = "none";
        if (lateness.found) std::snprintf(text, sizeof text, "%+.1f ms", lateness.ms);
        return std::string(text);
    };
    const size_t silentBlocks = recording.silentBlocksWithin();
    std::printf("  gaps: %zu ms of silence within the music\n",
                silentBlocks * recording.blockLength() * 1000 / static_cast<size_t>(rate));
    std::printf("music vs picture: %s at the first frame, %s after 60 s\n", figure(atFirst).c_str(),
                figure(afterMinute).c_str());
    return atFirst.found && afterMinute.found ? 0 : kFailureStatus;
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app(kUsage, kToolName);
    app.set_help_flag();
    app.require_subcommand(1);
    std::string recordPath;
    CLI::App* record = app.add_subcommand("record");
    record->add_option("PATH", recordPath)->required();
    std::string songPath;
    std::string recordingPath;
    std::string framesPath;
    int rate = kDefaultRate;
    CLI::App* measuring = app.add_subcommand("measure");
    measuring->add_option("--song", songPath)->required();
    measuring->add_option("--recording", recordingPath)->required();
    measuring->add_option("--frames", framesPath)->required();
    measuring->add_option("--rate", rate)->check(CLI::Range(8000, 192000));
    int delayMs = 0;
    CLI::App* delay = app.add_subcommand("delay");
    delay->add_option("MS", delayMs)->required()->check(CLI::Range(0, 60000));
    std::string winePath;
    CLI::App* wine = app.add_subcommand("wine-frames");
    wine->add_option("LOG", winePath)->required();
    std::string error;
    if (!parseArguments(app, argc, argv, &error)) {
        std::fprintf(stderr, "%s: %s (%s)\n", kToolName, error.c_str(), kUsage);
        return kUsageStatus;
    }
    if (record->parsed()) {
        if (!recordSamples(STDIN_FILENO, recordPath, &error)) return failWith(error);
        return 0;
    }
    if (delay->parsed()) {
        if (!delayBytes(STDIN_FILENO, STDOUT_FILENO, delayMs, &error)) return failWith(error);
        return 0;
    }
    if (wine->parsed()) {
        if (!convertWineTrace(stdin, stderr, winePath, &error)) return failWith(error);
        return 0;
    }
    return measure(songPath, recordingPath, framesPath, rate);
}
