// SDL_mixer's music calls over an <audio> element: the browser decodes the MP3 and plays
// it on its own thread, as the mixer does on its audio thread natively. Browsers start
// sound only after a user gesture, so the page calls the show's start-up from its Play
// button's click.
#include "WebSdl.h"

#include <SDL_mixer.h>
#include <emscripten.h>

#include <cstdlib>
#include <cstring>
#include <string>

struct SDL_RWops {
    std::string path;  // the file in the page's file system
};

struct _Mix_Music {
    int element = 0;  // the page's handle of its <audio> element
};

namespace {

constexpr int kLoopForever = -1;

bool gAudioOpen = false;  // between Mix_OpenAudio and Mix_CloseAudio
bool gSilent = false;     // SDL_AUDIODRIVER=dummy: accept everything, play nothing

// Makes a paused <audio> element holding the file's bytes; 0 when the file cannot be
// read, -1 when the browser plays no MP3.
EM_JS(int, createMusicElement, (const char* path), {
    const name = UTF8ToString(path);
    let bytes;
    try {
        bytes = FS.readFile(name);
    } catch (e) {
        return 0;
    }
    const audio = document.createElement('audio');
    if (audio.canPlayType('audio/mpeg') === "") return -1;
    audio.preload = 'auto';
    audio.className = 'quorvane-music';
    audio.src = URL.createObjectURL(new Blob([bytes], {type: 'audio/mpeg'}));
    audio.addEventListener('error', () => {
        console.error('quorvane: the browser cannot decode ' + name);
    });
    document.body.appendChild(audio);
    Module.musicElements = Module.musicElements || [null];
    Module.musicElements.push(audio);
    return Module.musicElements.length - 1;
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

EM_JS(void, stopAllMusicElements, (), {
    for (const audio of Module.musicElements || []) {
        if (audio) {
            clearInterval(audio.fadeTimer);
            audio.onended = null;
            audio.pause();
        }
    }
});

EM_JS(void, removeMusicElement, (int element), {
    const audio = Module.musicElements[element];
    if (!audio) return;
    audio.pause();
    URL.revokeObjectURL(audio.src);
    audio.remove();
    Module.musicElements[element] = null;
});

int play(Mix_Music* music, int loops, int fadeMs)
{
    if (!gAudioOpen) {
        SDL_SetError("Audio device hasn't been opened");
        return -1;
    }
    if (music == nullptr) {
        SDL_SetError("music parameter was NULL");
        return -1;
    }
    if (gSilent || music->element == 0) return 0;
    // As SDL_mixer 1.2 counts: 0 and 1 play once, n plays n times, -1 without end.
    const int plays = loops == kLoopForever ? 0 : (loops < 1 ? 1 : loops);
    startMusicElement(music->element, plays, fadeMs > 0 ? fadeMs : 0);
    return 0;
}

}  // namespace

void stopAudio()
{
    if (gAudioOpen) Mix_CloseAudio();
}

extern "C" {

SDL_RWops* SDL_RWFromFile(const char* file, const char* /*mode*/)
{
    if (file == nullptr || !EM_ASM_INT({ return FS.analyzePath(UTF8ToString($0)).exists ? 1 : 0; }, file)) {
        SDL_SetError("Couldn't open %s", file != nullptr ? file : "(null)");
        return nullptr;
    }
    return new SDL_RWops{file};
}

void SDL_FreeRW(SDL_RWops* area) { delete area; }

int Mix_OpenAudio(int /*frequency*/, Uint16 /*format*/, int /*channels*/, int /*chunkSize*/)
{
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    gSilent = driver != nullptr && std::strcmp(driver, "dummy") == 0;
    gAudioOpen = true;
    markAudioOpen(true);
    return 0;
}

void Mix_CloseAudio(void)
{
    if (!gAudioOpen) return;
    stopAllMusicElements();
    gAudioOpen = false;
    markAudioOpen(false);
}

Mix_Music* Mix_LoadMUS(const char* file)
{
    SDL_RWops* source = SDL_RWFromFile(file, "rb");
    if (source == nullptr) return nullptr;
    Mix_Music* music = Mix_LoadMUS_RW(source);
    SDL_FreeRW(source);
    return music;
}

Mix_Music* Mix_LoadMUS_RW(SDL_RWops* source)
{
    if (source == nullptr) {
        SDL_SetError("No file source");
        return nullptr;
    }
    Mix_Music* music = new Mix_Music;
    if (!gSilent) {
        music->element = createMusicElement(source->path.c_str());
        if (music->element <= 0) {
            SDL_SetError(music->element == 0 ? "Couldn't read %s"
                                             : "this browser plays no MP3 (%s)",
                         source->path.c_str());
            delete music;
            return nullptr;
        }
    }
    return music;
}

void Mix_FreeMusic(Mix_Music* music)
{
    if (music == nullptr) return;
    if (music->element > 0) removeMusicElement(music->element);
    delete music;
}

int Mix_PlayMusic(Mix_Music* music, int loops) { return play(music, loops, 0); }

int Mix_FadeInMusic(Mix_Music* music, int loops, int ms) { return play(music, loops, ms); }

}  // extern "C"
