// Running the capture program and the demo from tests: their output, temporary folders,
// the frames they write, and the Xvfb servers they leave behind.
#pragma once

#include "ChildProcess.h"
#include "RgbImage.h"

#include <sys/types.h>

#include <string>
#include <vector>

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// What differs from this test process for one run.
struct RunSetting {
    bool withoutDisplay = false;           // DISPLAY removed: the program must start its own server
    std::string workingDirectory;          // empty: the source tree, which holds data/
    std::vector<std::string> environment;  // NAME=VALUE set for the program only
};

// Runs quorvane-capture with `args` to the end and collects its output.
RunResult runCapture(const std::vector<std::string>& args, const RunSetting& setting = {});

// Starts quorvane-capture with stderr piped, for tests that act while it runs.
bool startCapture(ChildProcess* child, const std::vector<std::string>& args,
                  const RunSetting& setting, std::string* error);

// Reads `child`'s stderr until a line holding `text` arrives (true) or the stream ends.
bool waitForLine(ChildProcess* child, const std::string& text, std::string* seen);

// Pids of running Xvfb servers that the capture process `owner` started.
std::vector<pid_t> xvfbStartedBy(pid_t owner);

// A folder under /tmp, removed with everything in it when the test is done.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return dirPath; }
    std::string file(const std::string& name) const { return dirPath + "/" + name; }

private:
    std::string dirPath;
};

// A folder that looks like the source tree's data/ with some files swapped: `swaps`
// pairs a file name in data/ with the file it should show instead.
void makeDataRoot(const TempDir& root,
                  const std::vector<std::pair<std::string, std::string>>& swaps);

// The still quorvane-capture writes for `ms` in `dir`.
std::string stillPath(const std::string& dir, int ms);

// Loads a PNG; fails the current test when it cannot.
RgbImage loadFrame(const std::string& path);

// The folder holding data/ and the folder of the reference frames.
std::string sourceRoot();
std::string goldenDir();
