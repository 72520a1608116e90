// The pipe ends of child processes, as C runtime descriptors: the same calls on POSIX
// systems and on Windows, whose runtime has read and close too.
#pragma once

#include <string>

// Closes `*fd` unless it is already -1, and sets it to -1.
void closeFd(int* fd);

// Reads everything from `fd` until end of file.
std::string readAll(int fd);
