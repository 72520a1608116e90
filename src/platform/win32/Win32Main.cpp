// The demo on Windows: plays the show once, in real time, and exits, as src/shell/Main.cpp
// does on a desktop with SDL 1.2; with --loop it plays it again and again until Escape. As
// with SDL on Windows, the program's main is called by the C runtime of a GUI program (no
// console window). A GUI program started by a double click has no stderr: the demo's error
// line then comes up in a message box instead.
#include "shell/Demo.h"
#include "shell/ShowArguments.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr DWORD kPathChars = 32768;  // the longest path Windows takes
constexpr DWORD kDrainMs = 100;      // how often the error lines are collected from the pipe

bool hasHandle(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// A program without stderr plays the show through this: it starts itself again, as it was
// started, with a pipe for the second process's standard error, collects what comes through
// it and, should the show fail, shows it in a message box. The C runtime (msvcrt and UCRT
// alike) binds stderr only to a handle the process has when the runtime starts, so the pipe
// must be there from the start. Returns the show's status, or -1 when the second process
// cannot be started (the show then plays here, its lines unseen).
int playWithErrorBox()
{
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return -1;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::wstring path(kPathChars, L'\0');
    path.resize(GetModuleFileNameW(nullptr, &path[0], kPathChars));
    std::wstring commandLine = GetCommandLineW();  // CreateProcessW may write into it
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION show = {};
    // The show's window may come to the front, as this process's would.
    AllowSetForegroundWindow(ASFW_ANY);
    const BOOL started =
        !path.empty() && CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &show);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return -1;
    }
    // Drained while the show runs and once more after its end, which is waited for itself: a
    // copy of the pipe's write end kept by any other process would never let a read see an end.
    std::string text;
    bool ended = false;
    while (!ended) {
        ended = WaitForSingleObject(show.hProcess, kDrainMs) != WAIT_TIMEOUT;
        DWORD available = 0, got = 0;
        char buffer[256];
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
               ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
            text.append(buffer, got);
        }
    }
    CloseHandle(readEnd);
    DWORD status = 1;
    if (!GetExitCodeProcess(show.hProcess, &status)) status = 1;
    CloseHandle(show.hThread);
    CloseHandle(show.hProcess);
    if (status != 0 && !text.empty()) {
        MessageBoxA(nullptr, text.c_str(), "Quorvane", MB_OK | MB_ICONERROR | MB_TOPMOST);
    }
    return static_cast<int>(status);
}

// The usage, on stdout where there is one, else in a message box.
void tellUsage()
{
    const char* usage = showUsage("quorvane.exe");
    if (hasHandle(STD_OUTPUT_HANDLE)) {
        std::fputs(usage, stdout);
    } else {
        MessageBoxA(nullptr, usage, "Quorvane", MB_OK | MB_ICONINFORMATION);
    }
}

int run(int argc, char** argv)
{
    const ShowArguments arguments = readShowArguments(argc, argv);
    if (arguments.unknown != nullptr) {
        std::fprintf(stderr, "quorvane: unknown option %s (try --help)\n", arguments.unknown);
        return kUnknownOptionStatus;
    }
    if (arguments.help) {
        tellUsage();
        return 0;
    }
    const bool loop = arguments.loop;
    return runGuarded([loop] { return playShow(loop); });
}

}  // namespace

int main(int argc, char** argv)
{
    if (!hasHandle(STD_ERROR_HANDLE)) {
        const int status = playWithErrorBox();
        if (status >= 0) return status;
    }
    return run(argc, argv);
}
