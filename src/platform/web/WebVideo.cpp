// The browser's display for the shared SDL half: the page's canvas through the WebGL
// layer; the caption goes to the page, which makes it its title. (The clock is the
// music's: WebMusic.cpp.)
#include "Platform.h"

#include "WebPage.h"
#include "gl/WebGl.h"

namespace {

// The canvas the show draws on; the page gives it this id.
constexpr const char* kStageSelector = "#stage";

bool gGlOpened = false;  // the WebGL context was made (it lives as long as the program)

}  // namespace

bool platformOpenVideo(int /*width*/, int /*height*/, bool /*fullscreen*/)
{
    // The canvas keeps the size the page gave it; full screen is the page's own button.
    if (!gGlOpened) {
        if (!webGlOpen(kStageSelector)) {
            SDL_SetError("this browser offers no WebGL 2");
            return false;
        }
        gGlOpened = true;
    }
    return true;
}

void platformCloseVideo()
{
    // Nothing to close: the context lives as long as the program, and the page plays each
    // show in a fresh program with a fresh canvas.
}

void platformPresent() { webGlPresent(); }

void platformSetCaption(const char* title) { pageCaption(title); }

// The GL subset over WebGL 2 is GL 1.1 and nothing more: no extension to look up.
void* platformGlProcAddress(const char* /*name*/) { return nullptr; }
