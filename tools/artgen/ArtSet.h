#pragma once

#include <string>

// Generates every image the demo reads and writes them into directory.
// Returns an empty string on success, otherwise one line saying what failed.
std::string writeAllArt(const std::string& directory);
