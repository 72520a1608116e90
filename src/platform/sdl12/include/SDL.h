// SDL for the platforms without SDL 1.2: exactly the part of SDL 1.2's API the demo uses,
// with SDL 1.2's types and values (key codes, event masks, the four-argument SDL_PeepEvents,
// the key state indexed by key code), implemented by the shared half in src/platform/sdl12
// over what each platform supplies (src/platform/sdl12/Platform.h). It stands first on such
// a build's include path in place of any other SDL.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint8_t Uint8;
typedef int8_t Sint8;
typedef uint16_t Uint16;
typedef int16_t Sint16;
typedef uint32_t Uint32;
typedef int32_t Sint32;

#define SDL_LIL_ENDIAN 1234
#define SDL_BIG_ENDIAN 4321
#define SDL_BYTEORDER SDL_LIL_ENDIAN  // WebAssembly and x86 alike

// Subsystems.
#define SDL_INIT_TIMER 0x00000001
#define SDL_INIT_AUDIO 0x00000010
#define SDL_INIT_VIDEO 0x00000020

int SDL_Init(Uint32 flags);
void SDL_Quit(void);
Uint32 SDL_WasInit(Uint32 flags);

char* SDL_GetError(void);
void SDL_SetError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Milliseconds since SDL_Init.
Uint32 SDL_GetTicks(void);

// The name of the audio driver the open device plays through ("dummy": none that is heard),
// copied into `name` (at most `length` bytes, the terminating zero included); null while no
// device is open.
char* SDL_AudioDriverName(char* name, int length);

// Surfaces.
#define SDL_SWSURFACE 0x00000000
#define SDL_HWSURFACE 0x00000001
#define SDL_OPENGL 0x00000002
#define SDL_DOUBLEBUF 0x40000000
#define SDL_FULLSCREEN 0x80000000
#define SDL_ALPHA_OPAQUE 255
#define SDL_ALPHA_TRANSPARENT 0

typedef struct SDL_Color {
    Uint8 r, g, b, unused;
} SDL_Color;

typedef struct SDL_Palette {
    int ncolors;
    SDL_Color* colors;
} SDL_Palette;

typedef struct SDL_PixelFormat {
    SDL_Palette* palette;
    Uint8 BitsPerPixel;
    Uint8 BytesPerPixel;
    Uint8 Rloss, Gloss, Bloss, Aloss;
    Uint8 Rshift, Gshift, Bshift, Ashift;
    Uint32 Rmask, Gmask, Bmask, Amask;
    Uint32 colorkey;  // transparent pixel value
    Uint8 alpha;      // alpha of the whole surface
} SDL_PixelFormat;

typedef struct SDL_Rect {
    Sint16 x, y;
    Uint16 w, h;
} SDL_Rect;

typedef struct SDL_Surface {
    Uint32 flags;
    SDL_PixelFormat* format;
    int w, h;
    Uint16 pitch;
    void* pixels;
    int offset;
    void* hwdata;
    SDL_Rect clip_rect;
    Uint32 unused1;
    Uint32 locked;
    void* map;
    unsigned int format_version;
    int refcount;
} SDL_Surface;

void SDL_FreeSurface(SDL_Surface* surface);
int SDL_LockSurface(SDL_Surface* surface);
void SDL_UnlockSurface(SDL_Surface* surface);
SDL_Surface* SDL_ConvertSurface(SDL_Surface* source, SDL_PixelFormat* format, Uint32 flags);

// Video and GL.
typedef enum {
    SDL_GL_RED_SIZE,
    SDL_GL_GREEN_SIZE,
    SDL_GL_BLUE_SIZE,
    SDL_GL_ALPHA_SIZE,
    SDL_GL_BUFFER_SIZE,
    SDL_GL_DOUBLEBUFFER,
    SDL_GL_DEPTH_SIZE,
    SDL_GL_STENCIL_SIZE,
    SDL_GL_ACCUM_RED_SIZE,
    SDL_GL_ACCUM_GREEN_SIZE,
    SDL_GL_ACCUM_BLUE_SIZE,
    SDL_GL_ACCUM_ALPHA_SIZE,
    SDL_GL_STEREO,
    SDL_GL_MULTISAMPLEBUFFERS,
    SDL_GL_MULTISAMPLESAMPLES,
    SDL_GL_ACCELERATED_VISUAL,
    SDL_GL_SWAP_CONTROL
} SDL_GLattr;

int SDL_GL_SetAttribute(SDL_GLattr attribute, int value);
SDL_Surface* SDL_SetVideoMode(int width, int height, int bitsPerPixel, Uint32 flags);
SDL_Surface* SDL_GetVideoSurface(void);
void SDL_WM_SetCaption(const char* title, const char* icon);
void SDL_GL_SwapBuffers(void);
// The address of a GL entry point, extensions included (for the capture program's framebuffers).
void* SDL_GL_GetProcAddress(const char* proc);

// Keys: SDL 1.2's codes (ASCII where there is a character).
typedef enum {
    SDLK_UNKNOWN = 0,
    SDLK_BACKSPACE = 8,
    SDLK_TAB = 9,
    SDLK_RETURN = 13,
    SDLK_PAUSE = 19,
    SDLK_ESCAPE = 27,
    SDLK_SPACE = 32,
    SDLK_QUOTE = 39,
    SDLK_COMMA = 44,
    SDLK_MINUS = 45,
    SDLK_PERIOD = 46,
    SDLK_SLASH = 47,
    SDLK_0 = 48,
    SDLK_9 = 57,
    SDLK_SEMICOLON = 59,
    SDLK_EQUALS = 61,
    SDLK_LEFTBRACKET = 91,
    SDLK_BACKSLASH = 92,
    SDLK_RIGHTBRACKET = 93,
    SDLK_BACKQUOTE = 96,
    SDLK_a = 97,
    SDLK_z = 122,
    SDLK_DELETE = 127,
    SDLK_UP = 273,
    SDLK_DOWN = 274,
    SDLK_RIGHT = 275,
    SDLK_LEFT = 276,
    SDLK_INSERT = 277,
    SDLK_HOME = 278,
    SDLK_END = 279,
    SDLK_PAGEUP = 280,
    SDLK_PAGEDOWN = 281,
    SDLK_F1 = 282,
    SDLK_F12 = 293,
    SDLK_CAPSLOCK = 301,
    SDLK_RSHIFT = 303,
    SDLK_LSHIFT = 304,
    SDLK_RCTRL = 305,
    SDLK_LCTRL = 306,
    SDLK_RALT = 307,
    SDLK_LALT = 308,
    SDLK_LAST = 323
} SDLKey;

typedef enum { KMOD_NONE = 0 } SDLMod;

typedef struct SDL_keysym {
    Uint8 scancode;
    SDLKey sym;
    SDLMod mod;
    Uint16 unicode;
} SDL_keysym;

// Events.
typedef enum {
    SDL_NOEVENT = 0,
    SDL_ACTIVEEVENT,
    SDL_KEYDOWN,
    SDL_KEYUP,
    SDL_MOUSEMOTION,
    SDL_MOUSEBUTTONDOWN,
    SDL_MOUSEBUTTONUP,
    SDL_JOYAXISMOTION,
    SDL_JOYBALLMOTION,
    SDL_JOYHATMOTION,
    SDL_JOYBUTTONDOWN,
    SDL_JOYBUTTONUP,
    SDL_QUIT,
    SDL_NUMEVENTS = 32
} SDL_EventType;

#define SDL_EVENTMASK(type) (1u << (type))
#define SDL_KEYDOWNMASK SDL_EVENTMASK(SDL_KEYDOWN)
#define SDL_KEYUPMASK SDL_EVENTMASK(SDL_KEYUP)
#define SDL_QUITMASK SDL_EVENTMASK(SDL_QUIT)
#define SDL_ALLEVENTS 0xFFFFFFFFu

#define SDL_RELEASED 0
#define SDL_PRESSED 1

typedef struct SDL_KeyboardEvent {
    Uint8 type;
    Uint8 which;
    Uint8 state;
    SDL_keysym keysym;
} SDL_KeyboardEvent;

typedef struct SDL_QuitEvent {
    Uint8 type;
} SDL_QuitEvent;

typedef union SDL_Event {
    Uint8 type;
    SDL_KeyboardEvent key;
    SDL_QuitEvent quit;
} SDL_Event;

typedef enum { SDL_ADDEVENT, SDL_PEEKEVENT, SDL_GETEVENT } SDL_eventaction;

// Moves the key events that arrived since the last pump into the key state and the queue.
void SDL_PumpEvents(void);
int SDL_PeepEvents(SDL_Event* events, int numevents, SDL_eventaction action, Uint32 mask);
// The state of every key by SDL 1.2 key code, as of the last pump; SDLK_LAST entries.
Uint8* SDL_GetKeyState(int* numkeys);
int SDL_EnableKeyRepeat(int delay, int interval);

// Files, for the mixer.
typedef struct SDL_RWops SDL_RWops;
SDL_RWops* SDL_RWFromFile(const char* file, const char* mode);
void SDL_FreeRW(SDL_RWops* area);

// Audio formats.
#define AUDIO_U8 0x0008
#define AUDIO_S16LSB 0x8010
#define AUDIO_S16MSB 0x9010
#define AUDIO_S16SYS AUDIO_S16LSB

#ifdef __cplusplus
}
#endif
