// quorvane-artgen: draws the demo's eleven images, or with --icons the desktop icon at
// every size, into a directory; with --card-text prints what the credits and greetings
// cards say, so texts about the show name the same people.
#include <cstdio>
#include <filesystem>
#include <string>

#include "ArtSet.h"
#include "CardArt.h"

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "--card-text") {
        const std::string text = cardText();
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
            std::fprintf(stderr, "quorvane-artgen: could not write the cards' text\n");
            return 1;
        }
        return 0;
    }
    const bool icons = argc == 3 && std::string(argv[1]) == "--icons";
    if (argc != 2 && !icons) {
        std::fprintf(stderr, "quorvane-artgen: usage: quorvane-artgen [--icons] OUTPUT_DIRECTORY | --card-text\n");
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
