// Where the recorder and the replay meet: each frame gFixedFunction records is drawn by
// gWebGlReplay at webGlPresent.
#include "platform/web/gl/WebGl.h"

#include "platform/gl11/GlEntryPoints.h"
#include "platform/web/gl/WebGlReplay.h"

#include <emscripten/emscripten.h>

#include <cstdio>

namespace {
WebGlReplay gWebGlReplay;
// The last frame drawn, kept for a picture of what is on screen.
RecordedFrame gShownFrame;
}  // namespace

bool webGlOpen(const char* canvasSelector)
{
    if (!gWebGlReplay.open(canvasSelector)) return false;
    gFixedFunction.maxTextureSize = gWebGlReplay.maxTextureSize();
    return true;
}

void webGlPresent()
{
    // Frames recorded while the context is lost are simply not drawn.
    gWebGlReplay.replay(gFixedFunction.recorded(), gFixedFunction.textures());
    // A frame run without drawing records no clear or draw: the one on screen stays kept.
    if (gFixedFunction.recorded().commands.empty()) {
        gFixedFunction.startFrame();
    } else {
        gFixedFunction.startFrame(&gShownFrame);
    }
}

bool webGlDrawPicture(int width, int height, bool multisampled, std::vector<uint8_t>* rgba)
{
    if (gShownFrame.commands.empty()) {
        std::fprintf(stderr, "quorvane: no frame has been shown yet to make a picture of\n");
        return false;
    }
    return gWebGlReplay.drawPicture(gShownFrame, width, height, multisampled, rgba);
}

void webGlSetFramesHidden(bool hidden) { gFixedFunction.hidden = hidden; }

extern "C" {

EMSCRIPTEN_KEEPALIVE int webGlSetDrawingBufferSize(int width, int height)
{
    return gWebGlReplay.setDrawingBufferSize(width, height) ? 0 : 1;
}

EMSCRIPTEN_KEEPALIVE int webGlRequestMultisampling(int on)
{
    if (gWebGlReplay.usable()) {
        std::fprintf(stderr, "quorvane: multisampling is asked for before the show starts\n");
        return 1;
    }
    gWebGlReplay.multisampling = on != 0;
    return 0;
}

EMSCRIPTEN_KEEPALIVE int webGlContextLost(void)
{
    gWebGlReplay.contextLost();
    return 0;
}

EMSCRIPTEN_KEEPALIVE int webGlContextRestored(void)
{
    return gWebGlReplay.contextRestored(gFixedFunction.textures()) ? 0 : 1;
}

}  // extern "C"
