// What the browser's show tells its page. Each call reaches a function the page gave the
// program (Module.on...), so that everything about the document stays in the page's own
// scripts (page/); a page
// that gave none is told nothing.
#pragma once

#include <cstdint>
#include <string>

// A live frame was drawn: how many so far, at which elapsed time.
void pageFrameDrawn(int frames, int32_t elapsed);
// The live show has ended at `elapsed` of its `length` ms (Escape, or its end).
void pageShowEnded(int32_t elapsed, int32_t length);
// How far the frames run without drawing are on the way to a moment, 0 to 1.
void pageCatchingUp(double share);
// A seek has reached its moment: the frame for it is on the canvas (`elapsed` is that
// frame's time) or, before the first frame, the show waits at the start.
void pageSeeked(int32_t elapsed);
// Clip `index` of the schedule: its name and its span in ms.
void pageScene(int index, const char* name, int32_t start, int32_t end);
// The still for `requestedMs` is on the canvas.
void pageStillDrawn(int32_t requestedMs);
// The window caption the show asked for.
void pageCaption(const char* caption);
// The show could not start: `reason` in the program's words, for the page's card.
void pageStartFailed(const std::string& reason);
// Says on the console why the show could not start ("quorvane: " and the printf-style
// reason) and tells the page the same words.
void startFailed(const char* format, ...) __attribute__((format(printf, 1, 2)));
