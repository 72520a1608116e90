#include "shell/ShowArguments.h"

#include <cstdio>
#include <cstring>

ShowArguments readShowArguments(int argc, char** argv)
{
    ShowArguments arguments;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--loop") == 0) {
            arguments.loop = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            arguments.help = true;
        } else {
            arguments.unknown = argv[i];
            break;
        }
    }
    return arguments;
}

const char* showUsage(const char* program)
{
    static char usage[160];
    std::snprintf(usage, sizeof usage,
                  "usage: %s [--loop]\n"
                  "  --loop  play the show again each time it ends, until Escape\n",
                  program);
    return usage;
}
