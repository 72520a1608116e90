// PNG files for every tool: the capture's stills, the desktop icons, the site's image
// copies, and the tests that read them back. Only stb's headers (libstb-dev) behind it, so
// it builds for any target the compiler has, mingw-w64 included.
#pragma once

#include "RgbImage.h"

#include <string>
#include <utility>
#include <vector>

using PngText = std::vector<std::pair<std::string, std::string>>;  // tEXt key, value

// Writes `image` as an 8-bit RGB PNG with the given text chunks. The same image and text
// always give the same bytes. On failure returns false with the reason in *error.
bool writePng(const std::string& path, const RgbImage& image, const PngText& text,
              std::string* error);

// Reads any PNG into 8-bit RGB (palette, grey and 16-bit are converted, alpha dropped).
// `text`, when given, receives the file's tEXt chunks.
bool readPng(const std::string& path, RgbImage* image, std::string* error, PngText* text = nullptr);

// Reads any image stb_image decodes (PNG, BMP) into 8-bit RGB.
bool readImage(const std::string& path, RgbImage* image, std::string* error);
