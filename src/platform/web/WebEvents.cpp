// The page's key events for the shared SDL half: DOM key codes turned into SDL 1.2's, kept
// until the demo pumps its events.
#include "Platform.h"

#include <emscripten/html5.h>

#include <vector>

namespace {

// DOM key codes (KeyboardEvent.keyCode) of the keys without a character, and the SDL 1.2
// key codes they stand for. Letters, digits, space, Enter, Tab, Backspace and Escape have
// the same number in both, letters shifted to lower case.
struct KeyMapping {
    unsigned long dom;  // KeyboardEvent.keyCode
    SDLKey sdl;         // SDL 1.2's code for the same key
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

std::vector<KeyChange> gArrived;  // key changes since the last pump

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
