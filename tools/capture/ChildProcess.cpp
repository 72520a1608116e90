#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kExecFailed = 127;
constexpr int kSignalStatusBase = 128;
constexpr int kWaitPollMs = 5;

long long monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Our environment with the child's removals and additions applied.
std::vector<std::string> childEnvironment(const ChildProcess::Options& options)
{
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        bool dropped = false;
        for (const std::string& unset : options.unsetEnvironment) dropped |= unset == name;
        for (const std::string& set : options.environment) {
            dropped |= set.compare(0, set.find('='), name) == 0 && set.find('=') == name.size();
        }
        if (!dropped) entries.push_back(text);
    }
    entries.insert(entries.end(), options.environment.begin(), options.environment.end());
    return entries;
}

std::vector<char*> pointers(const std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (const std::string& s : strings) result.push_back(const_cast<char*>(s.c_str()));
    result.push_back(nullptr);
    return result;
}

// In the child, between fork and exec: only async-signal-safe calls, since another
// thread of ours may hold a lock the child would wait for for ever.
[[noreturn]] void execChild(char** args, char** envp, const ChildProcess::Options& options,
                            pid_t parent, int in[2], int out[2], int err[2], int report)
{
    if (options.ownProcessGroup) setpgid(0, 0);
    if (options.diesWithParent) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(kExecFailed);  // the parent is already gone
    }
    // Undo any signal handling inherited from the parent (SDL catches SIGINT and SIGTERM).
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGPIPE, SIG_DFL);
    if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) {
        const int code = errno;
        (void)!write(report, &code, sizeof code);
        _exit(kExecFailed);
    }
    const int devNull = open("/dev/null", O_RDWR);
    if (options.pipeStdin) dup2(in[0], STDIN_FILENO);
    if (options.pipeStdout) dup2(out[1], STDOUT_FILENO);
    else if (options.silenceOutput) dup2(devNull, STDOUT_FILENO);
    if (options.pipeStderr) dup2(err[1], STDERR_FILENO);
    else if (options.silenceOutput) dup2(devNull, STDERR_FILENO);
    execvpe(args[0], args, envp);
    const int code = errno;
    (void)!write(report, &code, sizeof code);
    _exit(kExecFailed);
}

}  // namespace

bool ChildProcess::start(const std::vector<std::string>& argv, const Options& options,
                         std::string* error)
{
    int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1}, report[2] = {-1, -1};
    bool piped = pipe2(report, O_CLOEXEC) == 0;
    if (options.pipeStdin) piped = piped && pipe2(in, O_CLOEXEC) == 0;
    if (options.pipeStdout) piped = piped && pipe2(out, O_CLOEXEC) == 0;
    if (options.pipeStderr) piped = piped && pipe2(err, O_CLOEXEC) == 0;
    if (!piped) {
        *error = std::strerror(errno);
        for (int* fd : {&in[0], &in[1], &out[0], &out[1], &err[0], &err[1], &report[0], &report[1]})
            closeFd(fd);
        return false;
    }
    if (options.keepFd >= 0) fcntl(options.keepFd, F_SETFD, 0);
    const std::vector<std::string> environment = childEnvironment(options);
    std::vector<char*> args = pointers(argv);
    std::vector<char*> envp = pointers(environment);
    const pid_t parent = getpid();
    pid = fork();
    if (pid == 0) execChild(args.data(), envp.data(), options, parent, in, out, err, report[1]);
    const int forkErrno = errno;
    if (options.keepFd >= 0) fcntl(options.keepFd, F_SETFD, FD_CLOEXEC);
    closeFd(&in[0]);
    closeFd(&out[1]);
    closeFd(&err[1]);
    closeFd(&report[1]);
    stdinFd = in[1];
    stdoutFd = out[0];
    stderrFd = err[0];
    if (pid < 0) {
        *error = std::strerror(forkErrno);
        closeFd(&report[0]);
        return false;
    }
    int code = 0;
    const ssize_t got = read(report[0], &code, sizeof code);
    closeFd(&report[0]);
    if (got == static_cast<ssize_t>(sizeof code)) {
        *error = std::string("cannot run ") + argv[0] + ": " + std::strerror(code);
        wait();
        return false;
    }
    return true;
}

int ChildProcess::decodeStatus(int rawStatus)
{
    pid = -1;
    if (WIFEXITED(rawStatus)) return WEXITSTATUS(rawStatus);
    return kSignalStatusBase + WTERMSIG(rawStatus);
}

int ChildProcess::wait()
{
    if (pid <= 0) return -1;
    int rawStatus = 0;
    while (waitpid(pid, &rawStatus, 0) < 0) {
        if (errno != EINTR) {
            pid = -1;
            return -1;
        }
    }
    return decodeStatus(rawStatus);
}

bool ChildProcess::waitFor(int timeoutMs, int* status)
{
    if (pid <= 0) return false;
    const long long deadline = monotonicMs() + timeoutMs;
    for (;;) {
        int rawStatus = 0;
        const pid_t done = waitpid(pid, &rawStatus, WNOHANG);
        if (done == pid) {
            *status = decodeStatus(rawStatus);
            return true;
        }
        if (done < 0 && errno != EINTR) {
            pid = -1;
            return false;
        }
        if (monotonicMs() >= deadline) return false;
        poll(nullptr, 0, kWaitPollMs);
    }
}

void ChildProcess::sendSignal(int signal) const
{
    if (pid > 0) ::kill(pid, signal);
}

void ChildProcess::kill() const { sendSignal(SIGKILL); }

void ChildProcess::closeStdin() { closeFd(&stdinFd); }
