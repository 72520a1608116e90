// The page's key events for the shared SDL half: DOM key codes turned into SDL 1.2's, kept
// until the demo pumps its events.
#include "Platform.h"

#include <emscripten/html5.h>

#include <vector>

namespace {

constexpr unsigned long kRightLocation = 2;  // KeyboardEvent.DOM_KEY_LOCATION_RIGHT

struct KeyChange {
    SDLKey key;   // SDL 1.2 key code
    bool down;    // pressed (true) or released
    bool repeat;  // a key held down, repeated by the browser
};

std::vector<KeyChange> gArrived;  // key changes since the last pump

EM_BOOL onKey(int eventType, const EmscriptenKeyboardEvent* event, void* /*userData*/)
{
    const SDLKey key = sdlKeyOfCode(event->keyCode, event->location == kRightLocation);
    if (key != SDLK_UNKNOWN) {
        gArrived.push_back({key, eventType == EMSCRIPTEN_EVENT_KEYDOWN, event->repeat != 0});
    }
    return EM_FALSE;  // the page keeps its own use of every key
}

}  // namespace

void platformStartEvents()
{
    gArrived.clear();
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onKey);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onKey);
}

void platformStopEvents()
{
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
}

void platformPumpEvents()
{
    for (const KeyChange& change : gArrived) sdlPostKey(change.key, change.down, change.repeat);
    gArrived.clear();
}
