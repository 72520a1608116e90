// The stage the show is drawn for: the window's size in pixels, whose 4:3 the projection
// keeps. The window, the scenes, the browser's drawing buffer and the capture program all
// take it from here.
#pragma once

constexpr int kStageWidth = 800;
constexpr int kStageHeight = 600;
