// The window and its keyboard, on Win32. Full screen is done the way a party's projector
// wants it: the display mode stays as it is, and a borderless topmost window covers the
// monitor at the monitor's own resolution. The 4:3 picture fills its width or its height,
// centred between black bands (Pillarbox), rendered at that size (GlViewport).
#include "Pillarbox.h"
#include "Platform.h"
#include "Win32Clock.h"
#include "Win32Platform.h"
#include "WglContext.h"

#include <windows.h>

#include <GL/gl.h>

#include <vector>

namespace {

constexpr char kWindowClass[] = "QuorvaneWindow";
constexpr LPARAM kRepeatBit = 1 << 30;    // WM_KEYDOWN: the key was down before
constexpr LPARAM kExtendedBit = 1 << 24;  // WM_KEYDOWN: the right-hand Ctrl or Alt
constexpr int kScanCodeShift = 16;        // WM_KEYDOWN: where the scan code lies in the flags
constexpr LPARAM kScanCodeMask = 0xFF;

struct KeyChange {
    SDLKey key;   // SDL 1.2 key code
    bool down;    // pressed (true) or released
    bool repeat;  // held down and repeated by the system
};

HWND gWindow = nullptr;           // the show's window, between open and close
HDC gDevice = nullptr;            // its device context, owned by the window class (CS_OWNDC)
bool gWindowed = false;           // win32UseWindow: the mode's own size instead of the screen
bool gCursorHidden = false;       // full screen hides the pointer over the picture
std::vector<KeyChange> gArrived;  // key changes since the last pump
bool gCloseAsked = false;         // the close button or Alt-F4 since the last pump

// Whether a key message is about the right-hand Shift, Ctrl or Alt.
bool rightHand(WPARAM virtualKey, LPARAM flags)
{
    if (virtualKey == VK_SHIFT) {
        // Both Shift keys share one code; their scan codes tell them apart.
        const auto scanCode = static_cast<UINT>((flags >> kScanCodeShift) & kScanCodeMask);
        return MapVirtualKeyA(scanCode, MAPVK_VSC_TO_VK_EX) == VK_RSHIFT;
    }
    return (flags & kExtendedBit) != 0;
}

void noteKey(WPARAM virtualKey, LPARAM flags, bool down)
{
    const SDLKey key = sdlKeyOfCode(virtualKey, rightHand(virtualKey, flags));
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
    case WM_KEYUP: noteKey(wParam, lParam, message == WM_KEYDOWN); return 0;
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
        case SC_MONITORPOWER: return 0;
        }
        break;
    case WM_SETCURSOR:
        if (gCursorHidden && LOWORD(lParam) == HTCLIENT) {
            SetCursor(nullptr);
            return TRUE;
        }
        break;
    case WM_ERASEBKGND: return 1;  // GL paints every pixel
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

bool failWith(const char* what)
{
    SDL_SetError("%s (Windows error %lu)", what, GetLastError());
    platformCloseVideo();
    return false;
}

}  // namespace

void win32UseWindow() { gWindowed = true; }

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
    gWindow =
        CreateWindowExA(extendedStyle, kWindowClass, "", style | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                        frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                        nullptr, nullptr, instance, nullptr);
    if (gWindow == nullptr) return failWith("cannot create the window");
    gDevice = GetDC(gWindow);
    if (!gWglContext.open(gDevice)) {
        platformCloseVideo();
        return false;
    }
    if (coverScreen) {
        RECT client = {};
        GetClientRect(gWindow, &client);
        gPillarbox.place(width, height, client.right, client.bottom);
    } else {
        // The window is the mode's size (a small screen may cut it short, which matters only
        // to what is read back from it): the picture is all of it.
        gPillarbox.fill(width, height);
    }
    win32MapViewports(width, height, gPillarbox.picture());
    // Both buffers start black; from then on the demo draws inside the picture only.
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    for (int buffer = 0; buffer < 2; ++buffer) {
        glClear(GL_COLOR_BUFFER_BIT);
        SwapBuffers(gDevice);
    }
    gPillarbox.confine();
    gCursorHidden = coverScreen;
    gTimerResolution.raise();
    ShowWindow(gWindow, SW_SHOW);
    SetForegroundWindow(gWindow);
    SetFocus(gWindow);
    return true;
}

void platformCloseVideo()
{
    gWglContext.close();
    if (gDevice != nullptr) ReleaseDC(gWindow, gDevice);
    if (gWindow != nullptr) DestroyWindow(gWindow);
    gTimerResolution.restore();
    gDevice = nullptr;
    gWindow = nullptr;
    gCursorHidden = false;
    gPillarbox.fill(0, 0);
}

void platformPresent()
{
    SwapBuffers(gDevice);
    gPillarbox.paintBands();
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
