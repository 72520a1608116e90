// SDL 1.2's key state and event queue, fed by the page's key events. As in SDL, nothing
// the browser reports reaches the demo before SDL_PumpEvents: until then the key state is
// what the last pump left.
#include "WebSdl.h"

#include <emscripten/html5.h>

#include <cstring>
#include <deque>
#include <vector>

namespace {

constexpr size_t kMaxQueuedEvents = 128;  // SDL 1.2's queue length; more are dropped

// DOM key codes (KeyboardEvent.keyCode) of the keys without a character, and the SDL 1.2
// key codes they stand for. Letters, digits, space, Enter, Tab, Backspace and Escape have
// the same number in both, letters shifted to lower case.
struct KeyMapping {
    unsigned long dom;
    SDLKey sdl;
};
const KeyMapping kKeyTable[] = {
    {19, SDLK_PAUSE},        {20, SDLK_CAPSLOCK},     {33, SDLK_PAGEUP},
    {34, SDLK_PAGEDOWN},     {35, SDLK_END},          {36, SDLK_HOME},
    {37, SDLK_LEFT},         {38, SDLK_UP},           {39, SDLK_RIGHT},
    {40, SDLK_DOWN},         {45, SDLK_INSERT},       {46, SDLK_DELETE},
    {186, SDLK_SEMICOLON},   {187, SDLK_EQUALS},      {188, SDLK_COMMA},
    {189, SDLK_MINUS},       {190, SDLK_PERIOD},      {191, SDLK_SLASH},
    {192, SDLK_BACKQUOTE},   {219, SDLK_LEFTBRACKET}, {220, SDLK_BACKSLASH},
    {221, SDLK_RIGHTBRACKET}, {222, SDLK_QUOTE},
};
constexpr unsigned long kDomShift = 16, kDomControl = 17, kDomAlt = 18;
constexpr unsigned long kDomF1 = 112, kDomF12 = 123;
constexpr unsigned long kDomA = 65, kDomZ = 90;
constexpr unsigned long kRightLocation = 2;  // KeyboardEvent.DOM_KEY_LOCATION_RIGHT

struct KeyChange {
    SDLKey key;   // SDL 1.2 key code
    bool down;    // pressed (true) or released
    bool repeat;  // a key held down, repeated by the browser
};

std::vector<KeyChange> gArrived;   // key changes since the last pump
std::deque<SDL_Event> gQueue;      // SDL's event queue
Uint8 gKeyState[SDLK_LAST];        // by SDL key code, as of the last pump
bool gActive = false;              // between SDL_Init(SDL_INIT_VIDEO) and SDL_Quit
bool gRepeatKeys = false;          // SDL_EnableKeyRepeat asked for repeated key-downs

SDLKey sdlKeyOf(const EmscriptenKeyboardEvent& event)
{
    const unsigned long code = event.keyCode;
    if (code >= kDomA && code <= kDomZ) return static_cast<SDLKey>(code - kDomA + SDLK_a);
    if ((code >= SDLK_0 && code <= SDLK_9) || code == SDLK_SPACE || code == SDLK_RETURN ||
        code == SDLK_TAB || code == SDLK_BACKSPACE || code == SDLK_ESCAPE)
        return static_cast<SDLKey>(code);
    if (code >= kDomF1 && code <= kDomF12) return static_cast<SDLKey>(code - kDomF1 + SDLK_F1);
    const bool right = event.location == kRightLocation;
    if (code == kDomShift) return right ? SDLK_RSHIFT : SDLK_LSHIFT;
    if (code == kDomControl) return right ? SDLK_RCTRL : SDLK_LCTRL;
    if (code == kDomAlt) return right ? SDLK_RALT : SDLK_LALT;
    for (const KeyMapping& mapping : kKeyTable) {
        if (mapping.dom == code) return mapping.sdl;
    }
    return SDLK_UNKNOWN;
}

EM_BOOL onKey(int eventType, const EmscriptenKeyboardEvent* event, void* /*userData*/)
{
    const SDLKey key = sdlKeyOf(*event);
    if (key != SDLK_UNKNOWN) {
        gArrived.push_back({key, eventType == EMSCRIPTEN_EVENT_KEYDOWN, event->repeat != 0});
    }
    return EM_FALSE;  // the page keeps its own use of every key
}

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
    gArrived.clear();
    gQueue.clear();
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onKey);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onKey);
    gActive = true;
}

void stopEvents()
{
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
    gActive = false;
}

extern "C" {

void SDL_PumpEvents(void)
{
    for (const KeyChange& change : gArrived) {
        if (change.repeat && !gRepeatKeys) continue;
        gKeyState[change.key] = change.down ? SDL_PRESSED : SDL_RELEASED;
        SDL_Event event;
        std::memset(&event, 0, sizeof event);
        event.type = change.down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.state = change.down ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.sym = change.key;
        addEvent(event);
    }
    gArrived.clear();
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
    // The browser repeats a held key at the pace its user chose; SDL's delay and interval
    // only decide whether repeats are passed on.
    gRepeatKeys = delay > 0;
    return 0;
}

}  // extern "C"
