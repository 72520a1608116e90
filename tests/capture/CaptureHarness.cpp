#include "CaptureHarness.h"

#include "PngFile.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <ftw.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

const char kCaptureProgram[] = CAPTURE_PROGRAM;
constexpr const char* kOwnerVariable = "QUORVANE_CAPTURE_OWNER=";

ChildProcess::Options optionsFor(const RunSetting& setting)
{
    ChildProcess::Options options;
    options.pipeStderr = true;
    options.workingDirectory =
        setting.workingDirectory.empty() ? sourceRoot() : setting.workingDirectory;
    if (setting.withoutDisplay) options.unsetEnvironment.push_back("DISPLAY");
    options.environment = setting.environment;
    return options;
}

std::vector<std::string> commandLine(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {kCaptureProgram};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int removeEntry(const char* path, const struct stat*, int, FTW*) { return std::remove(path); }

}  // namespace

std::string sourceRoot() { return SOURCE_ROOT; }
std::string goldenDir() { return GOLDEN_DIR; }

RunResult runCapture(const std::vector<std::string>& args, const RunSetting& setting)
{
    RunResult result;
    ChildProcess child;
    ChildProcess::Options options = optionsFor(setting);
    options.pipeStdout = true;
    std::string error;
    if (!child.start(commandLine(args), options, &error)) {
        ADD_FAILURE() << error;
        return result;
    }
    // Both pipes at once, so neither fills up while the other is read.
    pollfd fds[2] = {{child.stdoutFd, POLLIN, 0}, {child.stderrFd, POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    result.status = child.wait();
    return result;
}

bool startCapture(ChildProcess* child, const std::vector<std::string>& args,
                  const RunSetting& setting, std::string* error)
{
    return child->start(commandLine(args), optionsFor(setting), error);
}

bool waitForLine(ChildProcess* child, const std::string& text, std::string* seen)
{
    char c = 0;
    std::string line;
    while (read(child->stderrFd, &c, 1) == 1) {
        seen->push_back(c);
        if (c != '\n' && c != '\r') {
            line.push_back(c);
            continue;
        }
        if (line.find(text) != std::string::npos) return true;
        line.clear();
    }
    return false;
}

std::vector<pid_t> xvfbStartedBy(pid_t owner)
{
    std::vector<pid_t> found;
    const std::string mark = kOwnerVariable + std::to_string(owner);
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return found;
    while (dirent* entry = readdir(proc)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (pid <= 0) continue;
        const std::string dir = std::string("/proc/") + entry->d_name;
        if (readFile(dir + "/comm") != "Xvfb\n") continue;
        const std::string environment = readFile(dir + "/environ");
        size_t begin = 0;
        while (begin < environment.size()) {
            const size_t end = environment.find('\0', begin);
            if (environment.compare(begin, end - begin, mark) == 0) found.push_back(pid);
            if (end == std::string::npos) break;
            begin = end + 1;
        }
    }
    closedir(proc);
    return found;
}

TempDir::TempDir()
{
    char pattern[] = "/tmp/quorvane-capture-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) ADD_FAILURE() << "cannot make a temporary folder";
    dirPath = pattern;
}

TempDir::~TempDir()
{
    if (!dirPath.empty()) nftw(dirPath.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void makeDataRoot(const TempDir& root,
                  const std::vector<std::pair<std::string, std::string>>& swaps)
{
    const std::string data = root.file("data");
    ASSERT_EQ(mkdir(data.c_str(), 0755), 0);
    DIR* source = opendir((sourceRoot() + "/data").c_str());
    ASSERT_NE(source, nullptr);
    while (dirent* entry = readdir(source)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string shown = name;
        for (const auto& swap : swaps) {
            if (swap.first == name) shown = swap.second;
        }
        const std::string target = sourceRoot() + "/data/" + shown;
        EXPECT_EQ(symlink(target.c_str(), (data + "/" + name).c_str()), 0) << name;
    }
    closedir(source);
}

std::string stillPath(const std::string& dir, int ms)
{
    char name[32];
    std::snprintf(name, sizeof name, "quorvane-%05d.png", ms);
    return dir + "/" + name;
}

RgbImage loadFrame(const std::string& path)
{
    RgbImage image;
    std::string error;
    if (!readPng(path, &image, &error)) ADD_FAILURE() << "cannot read " << path << ": " << error;
    return image;
}
