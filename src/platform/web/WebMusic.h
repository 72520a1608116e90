// What the browser's show asks of its music besides SDL_mixer's calls (WebMusic.cpp).
#pragma once

// The music the show asks for waits (hold) until the show's first animation frame, or
// until it has run its frames up to ?t='s moment; then it starts at that point of the
// soundtrack (release). The clock stands still meanwhile.
void webHoldMusic();
void webReleaseMusic(int offsetMs);
// Pausing or seeking, the music that plays stops and is held in the same way.
void webPauseMusic();

// Whether the music is held, not yet heard, or heard behind the clock (the output fell
// behind for a moment): the show draws nothing until it is heard again.
bool webMusicWaiting();
