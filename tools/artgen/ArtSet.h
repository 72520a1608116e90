#pragma once

#include <string>

// Generates every image the demo reads and writes them into directory.
// Returns an empty string on success, otherwise one line saying what failed.
std::string writeAllArt(const std::string& directory);

// Draws the desktop icon from the logo at every size in kIconSizes and writes them into
// directory as quorvane-SIZE.png. Returns an empty string or one line saying what failed.
std::string writeAllIcons(const std::string& directory);
