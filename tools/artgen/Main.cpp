// quorvane-artgen: draws the demo's eleven images into a directory.
#include <cstdio>
#include <filesystem>
#include <string>

#include "ArtSet.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "quorvane-artgen: usage: quorvane-artgen OUTPUT_DIRECTORY\n");
        return 2;
    }
    const std::string directory = argv[1];
    std::error_code code;
    if (!std::filesystem::is_directory(directory, code)) {
        std::fprintf(stderr, "quorvane-artgen: not a directory: %s\n", directory.c_str());
        return 1;
    }
    const std::string error = writeAllArt(directory);
    if (!error.empty()) {
        std::fprintf(stderr, "quorvane-artgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
