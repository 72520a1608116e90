// The browser's display for the shared SDL half: the page's canvas through the WebGL
// layer, the page's title as the caption. (The clock is the music's: WebMusic.cpp.)
#include "Platform.h"

#include "gl/WebGl.h"

#include <emscripten.h>

namespace {

// The canvas the show draws on; the page gives it this id.
constexpr const char* kStageSelector = "#stage";

bool gGlOpened = false;  // the WebGL context was made (it lives as long as the page)

EM_JS(void, setPageTitle, (const char* title), { document.title = UTF8ToString(title); });

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
    // The context stays with the canvas for the next run of the show.
}

void platformPresent() { webGlPresent(); }

void platformSetCaption(const char* title) { setPageTitle(title); }

// The GL subset over WebGL 2 is GL 1.1 and nothing more: no extension to look up.
void* platformGlProcAddress(const char* /*name*/) { return nullptr; }
