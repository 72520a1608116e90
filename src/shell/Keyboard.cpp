#include "shell/Keyboard.h"

#include <SDL.h>

bool Keyboard::isKeyDown(int key) const
{
    int count = 0;
    const Uint8* state = SDL_GetKeyState(&count);
    if (state == nullptr || key < 0 || key >= count) return false;
    return state[key] != 0;
}
