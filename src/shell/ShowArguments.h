// The live demo's command line, read the same way by every platform's main: the show takes
// only --loop (and --help); anything else is refused.
#pragma once

// What the command line asks for.
struct ShowArguments {
    bool loop = false;              // play the show again each time it ends, until a quit
    bool help = false;              // print the usage and play nothing
    const char* unknown = nullptr;  // the first argument not understood; nothing is played
};

constexpr int kUnknownOptionStatus = 2;

// Reads argv[1..argc-1]; stops at the first argument it does not know.
ShowArguments readShowArguments(int argc, char** argv);

// The usage for `program` ("quorvane" or "quorvane.exe"), two lines ending in a newline.
const char* showUsage(const char* program);
