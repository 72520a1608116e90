// Reading and writing RgbImages as PNG files with libpng.
#pragma once

#include "RgbImage.h"

#include <string>
#include <utility>
#include <vector>

using PngText = std::vector<std::pair<std::string, std::string>>;  // tEXt key, value

// Writes `image` as an 8-bit RGB PNG with the given text chunks. On failure returns false
// with the reason in *error.
bool writePng(const std::string& path, const RgbImage& image, const PngText& text,
              std::string* error);

// Reads any PNG into 8-bit RGB (palette, grey and 16-bit are converted, alpha dropped).
// `text`, when given, receives the file's text chunks.
bool readPng(const std::string& path, RgbImage* image, std::string* error,
             PngText* text = nullptr);
