// The key state as of the last SDL_PumpEvents.
#pragma once

class Keyboard {
public:
    // True while the key with this SDL 1.2 key code is held; false for codes SDL does not know.
    bool isKeyDown(int key) const;
};

extern Keyboard gKeyboard;
