#pragma once

#include "Canvas.h"

// The sizes of the desktop icon, one PNG each in the hicolor theme.
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// The logo shrunk to size × size: each icon pixel is the area-weighted mean of the
// logo pixels it covers, so the thin frame and rules fade instead of dropping out.
Canvas makeIcon(const Canvas& logo, int size);
