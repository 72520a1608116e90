// The browser's music backend and clock for the shared SDL half. The page decodes the
// soundtrack with Web Audio while it loads (soundtrack.js, handed over as
// Module.quorvaneAudio); the mixer's calls schedule it there, and the clock SDL_GetTicks
// reads is the music as heard, so the picture follows the music. Browsers start sound only
// after a user gesture, so the page calls the show's start-up from its Play button's click.
// Without the page's soundtrack (no Web Audio) there is no sound and the wall clock serves.
#include "Platform.h"
#include "WebMusic.h"

#include <emscripten.h>

namespace {

// The bodies are JavaScript, laid out as such.
// clang-format off
EM_JS(int, hasSoundtrack, (), {
    return Module.quorvaneAudio && Module.quorvaneAudio.context ? 1 : 0;
});

EM_JS(double, soundtrackNowMs, (), { return Module.quorvaneAudio.ticks(); });

EM_JS(int, soundtrackLoad, (const char* name), {
    return Module.quorvaneAudio.load(UTF8ToString(name));
});

EM_JS(void, soundtrackPlay, (int music, int plays, int fadeMs), {
    Module.quorvaneAudio.play(music, plays, fadeMs);
});

EM_JS(void, soundtrackFree, (int music), { Module.quorvaneAudio.free(music); });

EM_JS(void, soundtrackStopAll, (), { Module.quorvaneAudio.stopAll(); });

EM_JS(int, soundtrackWaiting, (), { return Module.quorvaneAudio.isWaiting() ? 1 : 0; });

EM_JS(void, soundtrackHold, (), { if (Module.quorvaneAudio) Module.quorvaneAudio.hold(); });

EM_JS(void, soundtrackPause, (), { if (Module.quorvaneAudio) Module.quorvaneAudio.pause(); });

EM_JS(void, soundtrackRelease, (int offsetMs), {
    if (Module.quorvaneAudio) Module.quorvaneAudio.release(offsetMs);
});
// clang-format on

}  // namespace

double platformNowMs() { return hasSoundtrack() ? soundtrackNowMs() : emscripten_get_now(); }

bool platformOpenAudio()
{
    if (!hasSoundtrack()) {
        SDL_SetError("this browser offers no Web Audio");
        return false;
    }
    return true;
}

void platformCloseAudio() { soundtrackStopAll(); }

int platformLoadMusic(const unsigned char* /*bytes*/, size_t /*size*/, const char* name)
{
    // The page decoded the file while loading, under the name the demo reads it by.
    const int music = soundtrackLoad(name);
    if (music <= 0) SDL_SetError("the page has no decoded music for %s", name);
    return music;
}

void platformPlayMusic(int music, int plays, int fadeMs) { soundtrackPlay(music, plays, fadeMs); }

void platformFreeMusic(int music) { soundtrackFree(music); }

// The page schedules the whole soundtrack on Web Audio: no buffer passes the mixer's post-mix.
const char* platformAudioDriverName() { return "webaudio"; }

void webHoldMusic() { soundtrackHold(); }

void webPauseMusic() { soundtrackPause(); }

void webReleaseMusic(int offsetMs) { soundtrackRelease(offsetMs); }

bool webMusicWaiting() { return hasSoundtrack() && soundtrackWaiting() != 0; }
