#pragma once

#include <string>

#include "Canvas.h"

// Writes an 8-bit RGB PNG with the colours as meant on screen (unlike the BMPs, no
// channels are exchanged: the icons are shown by the desktop, not uploaded by the demo).
// Maximum compression and no time or text chunks, so the same canvas always gives the
// same bytes. Returns an empty string on success, otherwise the reason it failed.
std::string writePng(const std::string& path, const Canvas& canvas);
