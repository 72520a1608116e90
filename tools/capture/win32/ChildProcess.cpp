// ChildProcess on Windows, for the one child the capture program has: ffmpeg.exe, found
// on the PATH, fed through a pipe on its standard input. The options only the tests'
// children on POSIX systems use are ignored here: pipeStdout, pipeStderr, diesWithParent,
// keepFd, and environment and unsetEnvironment (the child inherits ours as it is).
#include "ChildProcess.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <map>

namespace {

constexpr int kTerminatedStatus = 128 + 9;  // as POSIX reports a child ended by SIGKILL

std::map<pid_t, HANDLE> gProcesses;  // the children's process handles, by process id

// One argument as the C runtime's command-line parser reads it back.
std::string quoted(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
    std::string text = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        text.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        text += c;
    }
    text.append(backslashes * 2, '\\');
    return text + "\"";
}

std::string lastError()
{
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   GetLastError(), 0, text, sizeof text, nullptr);
    std::string message = text;
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

}  // namespace

bool ChildProcess::start(const std::vector<std::string>& argv, const Options& options,
                         std::string* error)
{
    std::string program = argv[0];
    if (program.find('.') == std::string::npos) program += ".exe";
    char found[MAX_PATH];
    if (SearchPathA(nullptr, program.c_str(), nullptr, MAX_PATH, found, nullptr) == 0) {
        *error = "cannot run " + argv[0] + ": this needs " + program + " on the PATH";
        return false;
    }
    std::string commandLine;
    for (const std::string& argument : argv)
        commandLine += (commandLine.empty() ? "" : " ") + quoted(argument);
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE childInput = nullptr, ourInput = nullptr;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    if (options.pipeStdin) {
        if (!CreatePipe(&childInput, &ourInput, &inherited, 0)) {
            *error = "cannot make a pipe: " + lastError();
            return false;
        }
        SetHandleInformation(ourInput, HANDLE_FLAG_INHERIT, 0);
        startup.hStdInput = childInput;
    }
    HANDLE nul = INVALID_HANDLE_VALUE;
    if (options.silenceOutput) {
        nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherited, OPEN_EXISTING, 0,
                          nullptr);
        startup.hStdOutput = startup.hStdError = nul;
    }
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessA(
        found, &commandLine[0], nullptr, nullptr, TRUE,
        options.ownProcessGroup ? CREATE_NEW_PROCESS_GROUP : 0, nullptr,
        options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str(), &startup,
        &process);
    const std::string reason = started ? "" : lastError();
    if (childInput != nullptr) CloseHandle(childInput);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!started) {
        if (ourInput != nullptr) CloseHandle(ourInput);
        *error = "cannot run " + argv[0] + ": " + reason;
        return false;
    }
    CloseHandle(process.hThread);
    pid = static_cast<pid_t>(process.dwProcessId);
    gProcesses[pid] = process.hProcess;
    if (ourInput != nullptr)
        stdinFd = _open_osfhandle(reinterpret_cast<intptr_t>(ourInput), _O_WRONLY | _O_BINARY);
    return true;
}

int ChildProcess::decodeStatus(int rawStatus)
{
    pid = -1;
    return rawStatus;
}

int ChildProcess::wait()
{
    int status = -1;
    return waitFor(INFINITE, &status) ? status : -1;
}

bool ChildProcess::waitFor(int timeoutMs, int* status)
{
    const auto found = gProcesses.find(pid);
    if (found == gProcesses.end()) return false;
    if (WaitForSingleObject(found->second, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    GetExitCodeProcess(found->second, &code);
    CloseHandle(found->second);
    gProcesses.erase(found);
    *status = decodeStatus(static_cast<int>(code));
    return true;
}

void ChildProcess::sendSignal(int /*signal*/) const
{
    // Windows has no signals for a console program's child: every one ends it.
    kill();
}

void ChildProcess::kill() const
{
    const auto found = gProcesses.find(pid);
    if (found != gProcesses.end()) TerminateProcess(found->second, kTerminatedStatus);
}

void ChildProcess::closeStdin() { closeFd(&stdinFd); }
