#include "FileDescriptor.h"

#include <unistd.h>

#include <cerrno>

void closeFd(int* fd)
{
    if (*fd >= 0) close(*fd);
    *fd = -1;
}

std::string readAll(int fd)
{
    std::string text;
    char buffer[4096];
    for (;;) {
        const auto got = read(fd, buffer, sizeof buffer);
        if (got > 0) text.append(buffer, static_cast<size_t>(got));
        else if (got == 0 || errno != EINTR) break;
    }
    return text;
}
