// quorvane-artgen: draws the demo's eleven images, or with --icons the desktop icon at
// every size, into a directory.
#include <cstdio>
#include <filesystem>
#include <string>

#include "ArtSet.h"
#include "CommandLine.h"

namespace {
constexpr char kProgram[] = "quorvane-artgen";
constexpr char kUsage[] = "usage: quorvane-artgen [--icons] OUTPUT_DIRECTORY";
} // namespace

int main(int argc, char** argv)
{
    bool icons = false;
    std::string directory;
    CLI::App app(kUsage, kProgram);
    app.set_help_flag();
    app.add_flag("--icons", icons)->disable_flag_override();
    app.add_option("OUTPUT_DIRECTORY", directory)->required();
    std::string error;
    if (!parseArguments(app, argc, argv, &error)) {
        std::fprintf(stderr, "%s: %s (%s)\n", kProgram, error.c_str(), kUsage);
        return kUsageStatus;
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
