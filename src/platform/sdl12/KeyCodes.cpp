// Key codes as Windows (virtual-key codes) and the browser (KeyboardEvent.keyCode) number
// keys, which agree, turned into SDL 1.2's.
#include "Platform.h"

namespace {

constexpr unsigned long kCodeShift = 16, kCodeControl = 17, kCodeAlt = 18;
constexpr unsigned long kCodeF1 = 112, kCodeF12 = 123;
constexpr unsigned long kCodeA = 65, kCodeZ = 90;

// The keys without a character and the SDL 1.2 key codes they stand for. Letters, digits,
// space, Enter, Tab, Backspace and Escape have the same number in both, letters shifted to
// lower case.
struct KeyMapping {
    unsigned long code;  // virtual-key code, KeyboardEvent.keyCode
    SDLKey sdl;          // SDL 1.2's code for the same key
};
const KeyMapping kKeyTable[] = {
    {19, SDLK_PAUSE},      {20, SDLK_CAPSLOCK},      {33, SDLK_PAGEUP},     {34, SDLK_PAGEDOWN},
    {35, SDLK_END},        {36, SDLK_HOME},          {37, SDLK_LEFT},       {38, SDLK_UP},
    {39, SDLK_RIGHT},      {40, SDLK_DOWN},          {45, SDLK_INSERT},     {46, SDLK_DELETE},
    {186, SDLK_SEMICOLON}, {187, SDLK_EQUALS},       {188, SDLK_COMMA},     {189, SDLK_MINUS},
    {190, SDLK_PERIOD},    {191, SDLK_SLASH},        {192, SDLK_BACKQUOTE}, {219, SDLK_LEFTBRACKET},
    {220, SDLK_BACKSLASH}, {221, SDLK_RIGHTBRACKET}, {222, SDLK_QUOTE},
};

}  // namespace

SDLKey sdlKeyOfCode(unsigned long code, bool right)
{
    if (code >= kCodeA && code <= kCodeZ) return static_cast<SDLKey>(code - kCodeA + SDLK_a);
    if ((code >= SDLK_0 && code <= SDLK_9) || code == SDLK_SPACE || code == SDLK_RETURN ||
        code == SDLK_TAB || code == SDLK_BACKSPACE || code == SDLK_ESCAPE)
        return static_cast<SDLKey>(code);
    if (code >= kCodeF1 && code <= kCodeF12) return static_cast<SDLKey>(code - kCodeF1 + SDLK_F1);
    if (code == kCodeShift) return right ? SDLK_RSHIFT : SDLK_LSHIFT;
    if (code == kCodeControl) return right ? SDLK_RCTRL : SDLK_LCTRL;
    if (code == kCodeAlt) return right ? SDLK_RALT : SDLK_LALT;
    for (const KeyMapping& mapping : kKeyTable) {
        if (mapping.code == code) return mapping.sdl;
    }
    return SDLK_UNKNOWN;
}
