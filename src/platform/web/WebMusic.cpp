// The browser's music backend for the shared SDL half: an <audio> element per music. The
// browser decodes the MP3 and plays it on its own thread, as the mixer does on its audio
// thread natively. Browsers start sound only after a user gesture, so the page calls the
// show's start-up from its Play button's click.
#include "Platform.h"

#include <emscripten.h>

namespace {

// Makes a paused <audio> element holding the `size` bytes at `bytes`; returns its handle,
// or -1 when the browser plays no MP3.
EM_JS(int, createMusicElement, (const unsigned char* bytes, int size, const char* name), {
    const audio = document.createElement('audio');
    if (audio.canPlayType('audio/mpeg') === "") return -1;
    const file = UTF8ToString(name);
    audio.preload = 'auto';
    audio.className = 'quorvane-music';
    audio.src = URL.createObjectURL(new Blob([HEAPU8.slice(bytes, bytes + size)],
                                             {type: 'audio/mpeg'}));
    audio.addEventListener('error', () => {
        console.error('quorvane: the browser cannot decode ' + file);
    });
    document.body.appendChild(audio);
    Module.musicElements = Module.musicElements || [null];
    Module.musicElements.push(audio);
    return Module.musicElements.length - 1;
});

EM_JS(void, stopAllMusicElements, (), {
    for (const audio of Module.musicElements || []) {
        if (audio) {
            clearInterval(audio.fadeTimer);
            audio.onended = null;
            audio.pause();
        }
    }
});

// Starts the element from its beginning, `plays` times in all (0: without end), its
// volume rising from silence over `fadeMs` (0: at full volume at once).
EM_JS(void, startMusicElement, (int element, int plays, int fadeMs), {
    const audio = Module.musicElements[element];
    let left = plays;
    audio.loop = plays === 0;
    audio.onended = () => {
        if (--left > 0) {
            audio.currentTime = 0;
            audio.play();
        }
    };
    clearInterval(audio.fadeTimer);
    audio.volume = fadeMs > 0 ? 0 : 1;
    if (fadeMs > 0) {
        const started = performance.now();
        audio.fadeTimer = setInterval(() => {
            const share = Math.min(1, (performance.now() - started) / fadeMs);
            audio.volume = share;
            if (share >= 1) clearInterval(audio.fadeTimer);
        }, 20);
    }
    audio.currentTime = 0;
    audio.play().catch((e) => {
        console.error('quorvane: the browser did not start the music: ' + e.message);
    });
});

EM_JS(void, removeMusicElement, (int element), {
    const audio = Module.musicElements[element];
    if (!audio) return;
    clearInterval(audio.fadeTimer);
    audio.pause();
    URL.revokeObjectURL(audio.src);
    audio.remove();
    Module.musicElements[element] = null;
});

}  // namespace

bool platformOpenAudio()
{
    // The browser's own output; it resamples to its device.
    return true;
}

void platformCloseAudio() { stopAllMusicElements(); }

int platformLoadMusic(const unsigned char* bytes, size_t size, const char* name)
{
    const int element = createMusicElement(bytes, static_cast<int>(size), name);
    if (element <= 0) {
        SDL_SetError("this browser plays no MP3 (%s)", name);
        return 0;
    }
    return element;
}

void platformPlayMusic(int music, int plays, int fadeMs)
{
    // The mixer plays one music at a time.
    stopAllMusicElements();
    startMusicElement(music, plays, fadeMs);
}

void platformFreeMusic(int music) { removeMusicElement(music); }
