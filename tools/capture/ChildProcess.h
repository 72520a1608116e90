// A program started with fork and exec (on Windows with CreateProcess, win32/ChildProcess.cpp),
// with optional pipes to its standard streams.
#pragma once

#include "FileDescriptor.h"

#include <sys/types.h>

#include <string>
#include <vector>

class ChildProcess {
public:
    struct Options {
        bool pipeStdin = false;                     // write to it through stdinFd
        bool pipeStdout = false;                    // read it through stdoutFd
        bool pipeStderr = false;                    // read it through stderrFd
        bool silenceOutput = false;                 // stdout and stderr not piped go to /dev/null
        bool ownProcessGroup = false;               // a Ctrl-C at the terminal does not reach it
        bool diesWithParent = false;                // gets SIGTERM should this process die first
        int keepFd = -1;                            // a descriptor of ours the child inherits
        std::string workingDirectory;               // where the child starts; empty: where we are
        std::vector<std::string> environment;       // NAME=VALUE set for the child only
        std::vector<std::string> unsetEnvironment;  // names removed for the child only
    };

    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // Closes the pipes, held as descriptors on both systems; the child itself is left to its
    // owner.
    ~ChildProcess()
    {
        closeFd(&stdinFd);
        closeFd(&stdoutFd);
        closeFd(&stderrFd);
    }

    // Runs argv[0] (looked up in PATH). Returns false, with the reason in *error, when
    // the program could not be executed.
    bool start(const std::vector<std::string>& argv, const Options& options, std::string* error);

    // Waits for the child and returns its exit status, or 128 + the signal that ended it.
    int wait();
    // As wait, but gives up after `timeoutMs`; returns false then.
    bool waitFor(int timeoutMs, int* status);
    // True while the child has not been waited for.
    bool running() const { return pid > 0; }
    void sendSignal(int signal) const;
    // Ends the child at once (SIGKILL); it is still to be waited for.
    void kill() const;
    void closeStdin();

    pid_t pid = -1;
    int stdinFd = -1;
    int stdoutFd = -1;
    int stderrFd = -1;

private:
    int decodeStatus(int rawStatus);
};
