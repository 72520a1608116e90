// quorvane-artgen: draws the demo's eleven images, or with --icons the desktop icon at
// every size, into a directory; with --card-text prints what the credits and greetings
// cards say, so texts about the show name the same people.
#include <cstdio>
#include <filesystem>
#include <string>

#include "ArtSet.h"
#include "CardArt.h"
#include "CommandLine.h"

namespace {
constexpr char kProgram[] = "quorvane-artgen";
constexpr char kUsage[] = "usage: quorvane-artgen [--icons] OUTPUT_DIRECTORY | --card-text";
}  // namespace

int main(int argc, char** argv)
{
    bool icons = false;
    bool cardTextOnly = false;
    std::string directory;
    CLI::App app(kUsage, kProgram);
    app.set_help_flag();
    app.add_flag("--icons", icons)->disable_flag_override();
    CLI::Option* cardTextFlag = app.add_flag("--card-text", cardTextOnly)->disable_flag_override();
    CLI::Option* directoryOption = app.add_option("OUTPUT_DIRECTORY", directory);
    cardTextFlag->excludes(directoryOption);
    cardTextFlag->excludes("--icons");
    std::string error;
    if (!parseArguments(app, argc, argv, &error) || (!cardTextOnly && directory.empty())) {
        if (error.empty()) error = "OUTPUT_DIRECTORY is required";
        std::fprintf(stderr, "%s: %s (%s)\n", kProgram, error.c_str(), kUsage);
        return kUsageStatus;
    }
    if (cardTextOnly) {
        const std::string text = cardText();
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
            std::fflush(stdout) != 0) {
            std::fprintf(stderr, "%s: cannot write the cards' text\n", kProgram);
            return 1;
        }
        return 0;
    }
    std::error_code code;
    if (!std::filesystem::is_directory(directory, code)) {
        std::fprintf(stderr, "quorvane-artgen: not a directory: %s\n", directory.c_str());
        return 1;
    }
    error = icons ? writeAllIcons(directory) : writeAllArt(directory);
    if (!error.empty()) {
        std::fprintf(stderr, "quorvane-artgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
