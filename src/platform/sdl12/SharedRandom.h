// The generator behind this platform's rand(), for a show that saves the random sequence's
// place and goes back to it (the browser's seeks).
#pragma once

#include "platform/LibcRandom.h"

LibcRandom& sharedRandom();
