// The demo on Windows: plays the show once, in real time, and exits, as src/shell/Main.cpp
// does on a desktop with SDL 1.2; with --loop it plays it again and again until Escape. As
// with SDL on Windows, the program's main is called by the C runtime of a GUI program (no
// console window). A GUI program started by a double click has no stderr: the demo's error
// line then comes up in a message box instead.
#include "shell/Demo.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr int kUsageStatus = 2;
constexpr char kUsage[] = "usage: quorvane.exe [--loop]\n"
                          "  --loop  play the show again each time it ends, until Escape\n";

// Collects what is written to stderr when the process has none, to show it should the
// show fail; where stderr leads somewhere (a console, a file, a pipe) it is left alone.
class ErrorLines {
public:
    void start()
    {
        HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE &&
            GetFileType(handle) != FILE_TYPE_UNKNOWN)
            return;
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) return;
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(writeEnd), _O_WRONLY | _O_TEXT);
        if (fd < 0) {
            CloseHandle(readEnd);
            CloseHandle(writeEnd);
            return;
        }
        // The C runtime leaves a GUI program's stderr stream bound to no descriptor at all.
        // Reopened on NUL it gets one, which then becomes the pipe's: documented calls only,
        // so that msvcrt and UCRT, whose FILE differ, both do it.
        if (std::freopen("NUL", "w", stderr) == nullptr || _dup2(fd, _fileno(stderr)) != 0) {
            _close(fd);
            CloseHandle(readEnd);
            return;
        }
        _close(fd);
        std::setvbuf(stderr, nullptr, _IONBF, 0);
        reader = std::thread([this, readEnd] {
            char buffer[256];
            DWORD got = 0;
            while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
                text.append(buffer, got);
            }
            CloseHandle(readEnd);
        });
    }

    // After the show: a failure's lines in a message box, when they had nowhere else to go.
    void finish(int status)
    {
        if (!reader.joinable()) return;
        std::fclose(stderr);  // the pipe's last writer: the reader sees its end
        reader.join();
        if (status != 0 && !text.empty()) {
            MessageBoxA(nullptr, text.c_str(), "Quorvane", MB_OK | MB_ICONERROR | MB_TOPMOST);
        }
    }

private:
    std::thread reader;  // drains the pipe stderr was pointed at
    std::string text;    // what it read
};

ErrorLines gErrorLines;

// The usage, on stdout where there is one, else in a message box.
void showUsage()
{
    HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE &&
        GetFileType(handle) != FILE_TYPE_UNKNOWN) {
        std::fputs(kUsage, stdout);
    } else {
        MessageBoxA(nullptr, kUsage, "Quorvane", MB_OK | MB_ICONINFORMATION);
    }
}

int run(int argc, char** argv)
{
    bool loop = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--loop") == 0) {
            loop = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            showUsage();
            return 0;
        } else {
            std::fprintf(stderr, "quorvane: unknown option %s (try --help)\n", argv[i]);
            return kUsageStatus;
        }
    }
    return runGuarded([loop] { return playShow(loop); });
}

}  // namespace

int main(int argc, char** argv)
{
    gErrorLines.start();
    const int status = run(argc, argv);
    gErrorLines.finish(status);
    return status;
}
