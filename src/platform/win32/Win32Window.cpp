// The window, its OpenGL context and its keyboard, on Win32 and WGL. Full screen is done the
// way a party's projector wants it: the display mode stays as it is, and a borderless topmost
// window covers the monitor at the monitor's own resolution. The 4:3 picture fills its height,
// centred between black bars, rendered at that size.
#include "Platform.h"
#include "Win32Platform.h"

#include <windows.h>

#include <GL/gl.h>

#include <vector>

namespace {

constexpr char kWindowClass[] = "QuorvaneWindow";
constexpr int kDefaultDepthBits = 16;
constexpr int kColourBits = 24;
constexpr UINT kTimerResolutionMs = 1;  // Sleep and the scheduler's tick, for the paced loop
constexpr LPARAM kRepeatBit = 1 << 30;  // WM_KEYDOWN: the key was down before
constexpr LPARAM kExtendedBit = 1 << 24;  // WM_KEYDOWN: the right-hand Ctrl or Alt

// Virtual-key codes without a character and the SDL 1.2 key codes they stand for. Letters,
// digits, space, Enter, Tab, Backspace and Escape have the same number in both, letters
// shifted to lower case.
struct KeyMapping {
    WPARAM virtualKey;
    SDLKey sdl;
};
const KeyMapping kKeyTable[] = {
    {VK_PAUSE, SDLK_PAUSE},        {VK_CAPITAL, SDLK_CAPSLOCK},    {VK_PRIOR, SDLK_PAGEUP},
    {VK_NEXT, SDLK_PAGEDOWN},      {VK_END, SDLK_END},             {VK_HOME, SDLK_HOME},
    {VK_LEFT, SDLK_LEFT},          {VK_UP, SDLK_UP},               {VK_RIGHT, SDLK_RIGHT},
    {VK_DOWN, SDLK_DOWN},          {VK_INSERT, SDLK_INSERT},       {VK_DELETE, SDLK_DELETE},
    {VK_OEM_1, SDLK_SEMICOLON},    {VK_OEM_PLUS, SDLK_EQUALS},     {VK_OEM_COMMA, SDLK_COMMA},
    {VK_OEM_MINUS, SDLK_MINUS},    {VK_OEM_PERIOD, SDLK_PERIOD},   {VK_OEM_2, SDLK_SLASH},
    {VK_OEM_3, SDLK_BACKQUOTE},    {VK_OEM_4, SDLK_LEFTBRACKET},   {VK_OEM_5, SDLK_BACKSLASH},
    {VK_OEM_6, SDLK_RIGHTBRACKET}, {VK_OEM_7, SDLK_QUOTE},
};

struct KeyChange {
    SDLKey key;   // SDL 1.2 key code
    bool down;    // pressed (true) or released
    bool repeat;  // held down and repeated by the system
};

HWND gWindow = nullptr;        // the show's window, between open and close
HDC gDevice = nullptr;         // its device context, owned by the window class (CS_OWNDC)
HGLRC gContext = nullptr;      // the GL context made current on it
bool gWindowed = false;        // win32UseWindow: the mode's own size instead of the screen
bool gCursorHidden = false;    // full screen hides the pointer over the picture
bool gHasBars = false;         // the picture leaves black bars beside or above it
PictureRect gPicture;          // where the picture lies in the window
PictureRect gBars[2];          // the two bars, when gHasBars
std::vector<KeyChange> gArrived;  // key changes since the last pump
bool gCloseAsked = false;      // the close button or Alt-F4 since the last pump
bool gTimerRaised = false;     // timeBeginPeriod is in force

SDLKey sdlKeyOf(WPARAM virtualKey, LPARAM flags)
{
    if (virtualKey >= 'A' && virtualKey <= 'Z') return static_cast<SDLKey>(virtualKey - 'A' + SDLK_a);
    if ((virtualKey >= '0' && virtualKey <= '9') || virtualKey == VK_SPACE ||
        virtualKey == VK_RETURN || virtualKey == VK_TAB || virtualKey == VK_BACK ||
        virtualKey == VK_ESCAPE)
        return static_cast<SDLKey>(virtualKey);
    if (virtualKey >= VK_F1 && virtualKey <= VK_F12)
        return static_cast<SDLKey>(virtualKey - VK_F1 + SDLK_F1);
    const bool right = (flags & kExtendedBit) != 0;
    if (virtualKey == VK_SHIFT) {
        // Both Shift keys share one code; their scan codes tell them apart.
        const UINT scanCode = (flags >> 16) & 0xFF;
        return MapVirtualKeyA(scanCode, MAPVK_VSC_TO_VK_EX) == VK_RSHIFT ? SDLK_RSHIFT : SDLK_LSHIFT;
    }
    if (virtualKey == VK_CONTROL) return right ? SDLK_RCTRL : SDLK_LCTRL;
    if (virtualKey == VK_MENU) return right ? SDLK_RALT : SDLK_LALT;
    for (const KeyMapping& mapping : kKeyTable) {
        if (mapping.virtualKey == virtualKey) return mapping.sdl;
    }
    return SDLK_UNKNOWN;
}

void noteKey(WPARAM virtualKey, LPARAM flags, bool down)
{
    const SDLKey key = sdlKeyOf(virtualKey, flags);
    if (key != SDLK_UNKNOWN) gArrived.push_back({key, down, down && (flags & kRepeatBit) != 0});
}

LRESULT CALLBACK onMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        // The close button and Alt-F4 (which the system turns into this) ask to end the show;
        // the demo ends it after its current frame and closes the window itself.
        gCloseAsked = true;
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
        noteKey(wParam, lParam, message == WM_KEYDOWN);
        return 0;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        // Keys held with Alt: noted, and handed on so that Alt-F4 still closes.
        noteKey(wParam, lParam, message == WM_SYSKEYDOWN);
        break;
    case WM_SYSCOMMAND:
        // No menu mode for a lone Alt (it would hold the frame loop), and neither the screen
        // saver nor the monitor's power saving during the show.
        switch (wParam & 0xFFF0) {
        case SC_KEYMENU:
        case SC_SCREENSAVE:
        case SC_MONITORPOWER:
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (gCursorHidden && LOWORD(lParam) == HTCLIENT) {
            SetCursor(nullptr);
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        return 1;  // GL paints every pixel
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool registerClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    if (GetClassInfoA(instance, kWindowClass, &windowClass)) return true;
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = onMessage;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

// The largest rectangle of the mode's shape inside the window, centred; what is left over
// on either side becomes the two black bars.
void placePicture(int modeWidth, int modeHeight, int windowWidth, int windowHeight)
{
    int width = windowWidth;
    int height = static_cast<int>(static_cast<long long>(windowWidth) * modeHeight / modeWidth);
    if (height > windowHeight) {
        height = windowHeight;
        width = static_cast<int>(static_cast<long long>(windowHeight) * modeWidth / modeHeight);
    }
    gPicture = {(windowWidth - width) / 2, (windowHeight - height) / 2, width, height};
    gHasBars = width != windowWidth || height != windowHeight;
    if (width != windowWidth) {
        gBars[0] = {0, 0, gPicture.x, windowHeight};
        gBars[1] = {gPicture.x + width, 0, windowWidth - gPicture.x - width, windowHeight};
    } else {
        gBars[0] = {0, 0, windowWidth, gPicture.y};
        gBars[1] = {0, gPicture.y + height, windowWidth, windowHeight - gPicture.y - height};
    }
}

// Paints the bars black. Nothing the demo draws reaches them (the scissor keeps its clears
// and its primitives to the picture), but a swap may leave a new back buffer undefined.
void clearBars()
{
    GLfloat clearColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    for (const PictureRect& bar : gBars) {
        glScissor(bar.x, bar.y, bar.width, bar.height);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glScissor(gPicture.x, gPicture.y, gPicture.width, gPicture.height);
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
}

bool failWith(const char* what)
{
    SDL_SetError("%s (Windows error %lu)", what, GetLastError());
    platformCloseVideo();
    return false;
}

}  // namespace

void win32UseWindow() { gWindowed = true; }

double platformNowMs()
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool platformOpenVideo(int width, int height, bool fullscreen)
{
    if (gWindow != nullptr) platformCloseVideo();
    if (width <= 0 || height <= 0) {
        SDL_SetError("no video mode of %dx%d", width, height);
        return false;
    }
    // Pixels are pixels: without this a scaled desktop (125 %, 150 %) would have the system
    // stretch a smaller window, blurring the picture.
    SetProcessDPIAware();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registerClass(instance)) return failWith("cannot register the window class");
    const bool coverScreen = fullscreen && !gWindowed;
    RECT frame = {0, 0, width, height};
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    DWORD extendedStyle = 0;
    if (coverScreen) {
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        const POINT origin = {0, 0};
        GetMonitorInfoA(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &monitor);
        frame = monitor.rcMonitor;
        style = WS_POPUP;
        extendedStyle = WS_EX_TOPMOST;
    } else {
        AdjustWindowRectEx(&frame, style, FALSE, extendedStyle);
        OffsetRect(&frame, -frame.left, -frame.top);
    }
    gWindow = CreateWindowExA(extendedStyle, kWindowClass, "", style | WS_CLIPCHILDREN |
                              WS_CLIPSIBLINGS, frame.left, frame.top, frame.right - frame.left,
                              frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    if (gWindow == nullptr) return failWith("cannot create the window");
    gDevice = GetDC(gWindow);
    const int depthBits = sdlGlAttribute(SDL_GL_DEPTH_SIZE);
    PIXELFORMATDESCRIPTOR wanted = {};
    wanted.nSize = sizeof wanted;
    wanted.nVersion = 1;
    wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL |
                     (sdlGlAttribute(SDL_GL_DOUBLEBUFFER) == 0 ? 0 : PFD_DOUBLEBUFFER);
    wanted.iPixelType = PFD_TYPE_RGBA;
    wanted.cColorBits = kColourBits;
    wanted.cDepthBits = static_cast<BYTE>(depthBits > 0 ? depthBits : kDefaultDepthBits);
    wanted.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(gDevice, &wanted);
    if (format == 0 || !SetPixelFormat(gDevice, format, &wanted)) {
        return failWith("no OpenGL pixel format for the window");
    }
    gContext = wglCreateContext(gDevice);
    if (gContext == nullptr || !wglMakeCurrent(gDevice, gContext)) {
        return failWith("cannot make an OpenGL context");
    }
    if (coverScreen) {
        RECT client = {};
        GetClientRect(gWindow, &client);
        placePicture(width, height, client.right, client.bottom);
    } else {
        // The window is the mode's size (a small screen may cut it short, which matters only
        // to what is read back from it): the picture is all of it.
        gPicture = {0, 0, width, height};
        gHasBars = false;
    }
    win32MapViewports(width, height, gPicture);
    // Both buffers start black; from then on the demo draws inside the picture only.
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    for (int buffer = 0; buffer < 2; ++buffer) {
        glClear(GL_COLOR_BUFFER_BIT);
        SwapBuffers(gDevice);
    }
    if (gHasBars) {
        glScissor(gPicture.x, gPicture.y, gPicture.width, gPicture.height);
        glEnable(GL_SCISSOR_TEST);
    }
    gCursorHidden = coverScreen;
    if (timeBeginPeriod(kTimerResolutionMs) == TIMERR_NOERROR) gTimerRaised = true;
    ShowWindow(gWindow, SW_SHOW);
    SetForegroundWindow(gWindow);
    SetFocus(gWindow);
    return true;
}

void platformCloseVideo()
{
    if (gContext != nullptr) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(gContext);
    }
    if (gDevice != nullptr) ReleaseDC(gWindow, gDevice);
    if (gWindow != nullptr) DestroyWindow(gWindow);
    if (gTimerRaised) timeEndPeriod(kTimerResolutionMs);
    gContext = nullptr;
    gDevice = nullptr;
    gWindow = nullptr;
    gTimerRaised = false;
    gCursorHidden = false;
    gHasBars = false;
}

void platformPresent()
{
    SwapBuffers(gDevice);
    if (gHasBars) clearBars();
}

void platformSetCaption(const char* title)
{
    if (gWindow != nullptr) SetWindowTextA(gWindow, title);
}

void platformStartEvents()
{
    gArrived.clear();
    gCloseAsked = false;
}

void platformStopEvents()
{
    gArrived.clear();
    gCloseAsked = false;
}

void platformPumpEvents()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            gCloseAsked = true;
            continue;
        }
        DispatchMessageA(&message);
    }
    for (const KeyChange& change : gArrived) sdlPostKey(change.key, change.down, change.repeat);
    gArrived.clear();
    if (gCloseAsked) sdlPostQuit();
    gCloseAsked = false;
}

extern "C" void* SDL_GL_GetProcAddress(const char* name)
{
    // Extensions come from the context's driver; GL 1.1 itself from opengl32.dll.
    void* address = reinterpret_cast<void*>(wglGetProcAddress(name));
    const auto value = reinterpret_cast<INT_PTR>(address);
    if (value >= -1 && value <= 3) {
        address = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("opengl32.dll"), name));
    }
    return address;
}
