#pragma once

#include <string>

#include "Canvas.h"

// Writes a 24-bit uncompressed bottom-up BMP. The demo uploads the decoded
// bytes as RGB while the format stores them blue first, so each pixel is
// written red, green, blue in file order: the screen then shows the meant
// colour, and an ordinary viewer shows red and blue exchanged.
// Returns an empty string on success, otherwise the reason it failed.
std::string writeBmp(const std::string& path, const Canvas& canvas);
