// The recorder behind the gl*/glu* entry points of this folder, for the platform layer
// that presents its frames. The demo itself reaches it only through <GL/gl.h>.
#pragma once

#include "platform/gl11/FixedFunction.h"

extern FixedFunction gFixedFunction;
