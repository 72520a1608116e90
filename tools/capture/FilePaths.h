// The capture program's file names on its system: POSIX here (FilePaths.cpp), Windows in
// win32/FilePaths.cpp.
#pragma once

#include <string>

// `path` as seen from the current folder, unless it is absolute already.
std::string absolutePath(const std::string& path);
// The folder an absolute file path lies in.
std::string parentOf(const std::string& path);
