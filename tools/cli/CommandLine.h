// The tools' command lines, read by CLI11 (Debian's libcli11-dev, header-only): one way to
// turn what CLI11 rejects into the one line a tool prints before it exits with status 2.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

// Status for bad arguments, as conventional command-line programs use it.
constexpr int kUsageStatus = 2;

// Parses argv into the options bound to `app` (made without CLI11's own help flag: each
// tool keeps its own usage text). On a bad argument returns false with CLI11's reason, on
// one line, in *error.
inline bool parseArguments(CLI::App& app, int argc, const char* const* argv, std::string* error)
{
    try {
        app.parse(argc, argv);
        return true;
    } catch (const CLI::ParseError& failure) {
        *error = failure.what();
        for (char& c : *error) {
            if (c == '\n') c = ' ';
        }
        while (!error->empty() && error->back() == ' ') error->pop_back();
        return false;
    }
}

// A validator for an option's text: `check` returns an empty string for a good value,
// otherwise what is wrong, which CLI11 reports after the option's name.
template <typename Check>
CLI::Validator textCheck(const char* valueName, Check check)
{
    return CLI::Validator([check](std::string& text) { return check(text); }, valueName);
}
