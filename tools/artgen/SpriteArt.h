#pragma once

#include "Canvas.h"

// The particle sprite: a warm round glow that falls to pure black well inside
// the square, since the fountain adds it onto the picture and any non-black
// corner would show the quad.
Canvas makeSprite();
