#include "VirtualDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kStartTimeoutMs = 15000;
constexpr int kStopTimeoutMs = 5000;

// Reads the display number Xvfb writes to -displayfd once it is ready for clients.
bool readDisplayNumber(int fd, std::string* number, std::string* error)
{
    pollfd ready{fd, POLLIN, 0};
    for (;;) {
        const int got = poll(&ready, 1, kStartTimeoutMs);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            *error = "Xvfb did not become ready";
            return false;
        }
        char c = 0;
        const ssize_t n = read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *error = "Xvfb exited before it was ready";
            return false;
        }
        if (c == '\n') return !number->empty();
        if (c < '0' || c > '9') {
            *error = "Xvfb reported no display number";
            return false;
        }
        number->push_back(c);
    }
}

}  // namespace

bool VirtualDisplay::start(std::string* error)
{
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        *error = std::strerror(errno);
        return false;
    }
    ChildProcess::Options options;
    options.silenceOutput = true;
    options.ownProcessGroup = true;  // ended by us, after the GL context is gone
    options.diesWithParent = true;
    options.keepFd = ready[1];
    options.environment.push_back(std::string(kOwnerVariable) + "=" + std::to_string(getpid()));
    // -noreset: SDL opens and closes a connection to see whether X is there before it
    // opens the one it keeps; a server that resets when its last client leaves refuses
    // that second connection while it resets.
    const bool started = server.start({"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen",
                                       "0", kScreen, "-nolisten", "tcp", "-noreset"},
                                      options, error);
    close(ready[1]);
    std::string number;
    const bool ok = started && readDisplayNumber(ready[0], &number, error);
    close(ready[0]);
    if (!started) return false;
    if (!ok) {
        stop();
        return false;
    }
    displayName = ":" + number;
    setenv("DISPLAY", displayName.c_str(), 1);
    return true;
}

void VirtualDisplay::stop()
{
    if (!server.running()) return;
    server.sendSignal(SIGTERM);
    int status = 0;
    if (!server.waitFor(kStopTimeoutMs, &status)) {
        server.sendSignal(SIGKILL);
        server.wait();
    }
}
