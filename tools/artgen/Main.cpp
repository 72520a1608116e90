// quorvane-artgen: draws the demo's eleven images, or with --icons the desktop icon at
// every size, into a directory.
#include <cstdio>
#include <filesystem>
#include <string>

#include "ArtSet.h"

int main(int argc, char** argv)
{
    const bool icons = argc == 3 && std::string(argv[1]) == "--icons";
    if (argc != 2 && !icons) {
        std::fprintf(stderr, "quorvane-artgen: usage: quorvane-artgen [--icons] OUTPUT_DIRECTORY\n");
        return 2;
    }
    const std::string directory = argv[argc - 1];
    std::error_code code;
    if (!std::filesystem::is_directory(directory, code)) {
        std::fprintf(stderr, "quorvane-artgen: not a directory: %s\n", directory.c_str());
        return 1;
    }
    const std::string error = icons ? writeAllIcons(directory) : writeAllArt(directory);
    if (!error.empty()) {
        std::fprintf(stderr, "quorvane-artgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
