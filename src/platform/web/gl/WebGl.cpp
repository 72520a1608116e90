#include "platform/web/gl/WebGl.h"

#include "platform/web/gl/DrawList.h"

bool webGlOpen(const char* canvasSelector) { return gDrawList.open(canvasSelector); }

void webGlPresent() { gDrawList.flush(); }

void webGlSetFramesHidden(bool hidden) { gDrawList.hidden = hidden; }
