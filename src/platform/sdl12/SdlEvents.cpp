// SDL 1.2's key state and event queue, fed by the platform's pump. As in SDL, nothing the
// platform reports reaches the demo before SDL_PumpEvents: until then the key state is what
// the last pump left.
#include "SharedSdl.h"

#include "Platform.h"

#include <cstring>
#include <deque>

namespace {

constexpr size_t kMaxQueuedEvents = 128;  // SDL 1.2's queue length; more are dropped

std::deque<SDL_Event> gQueue;  // SDL's event queue
Uint8 gKeyState[SDLK_LAST];    // by SDL key code, as of the last pump
bool gActive = false;          // between SDL_Init(SDL_INIT_VIDEO) and SDL_Quit
bool gRepeatKeys = false;      // SDL_EnableKeyRepeat asked for repeated key-downs

bool addEvent(const SDL_Event& event)
{
    if (gQueue.size() >= kMaxQueuedEvents) return false;
    gQueue.push_back(event);
    return true;
}

}  // namespace

void startEvents()
{
    std::memset(gKeyState, 0, sizeof gKeyState);
    gQueue.clear();
    platformStartEvents();
    gActive = true;
}

void stopEvents()
{
    platformStopEvents();
    gActive = false;
}

void sdlPostKey(SDLKey key, bool down, bool repeat)
{
    if (key <= SDLK_UNKNOWN || key >= SDLK_LAST || (repeat && !gRepeatKeys)) return;
    gKeyState[key] = down ? SDL_PRESSED : SDL_RELEASED;
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    addEvent(event);
}

void sdlPostQuit()
{
    SDL_Event event;
    std::memset(&event, 0, sizeof event);
    event.type = SDL_QUIT;
    addEvent(event);
}

extern "C" {

void SDL_PumpEvents(void)
{
    if (gActive) platformPumpEvents();
}

int SDL_PeepEvents(SDL_Event* events, int numevents, SDL_eventaction action, Uint32 mask)
{
    if (!gActive) return -1;
    if (action == SDL_ADDEVENT) {
        int added = 0;
        for (int i = 0; i < numevents; ++i) added += addEvent(events[i]) ? 1 : 0;
        return added;
    }
    // As in SDL 1.2, no buffer means: is there such an event at all.
    SDL_Event spare;
    if (events == nullptr) {
        action = SDL_PEEKEVENT;
        numevents = 1;
        events = &spare;
    }
    int used = 0;
    for (auto it = gQueue.begin(); it != gQueue.end() && used < numevents;) {
        if ((mask & SDL_EVENTMASK(it->type)) == 0) {
            ++it;
            continue;
        }
        events[used++] = *it;
        it = action == SDL_GETEVENT ? gQueue.erase(it) : it + 1;
    }
    return used;
}

Uint8* SDL_GetKeyState(int* numkeys)
{
    if (numkeys != nullptr) *numkeys = SDLK_LAST;
    return gKeyState;
}

int SDL_EnableKeyRepeat(int delay, int /*interval*/)
{
    // The platform repeats a held key at the pace its user chose; SDL's delay and interval
    // only decide whether repeats are passed on.
    gRepeatKeys = delay > 0;
    return 0;
}

}  // extern "C"
