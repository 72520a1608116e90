// Windows paths: drive letters and either separator.
#include "FilePaths.h"

#include <windows.h>

std::string absolutePath(const std::string& path)
{
    if (path.empty()) return path;
    char full[MAX_PATH * 4];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

std::string parentOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return ".";
    // The root of a drive keeps its separator: "C:\".
    if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}
