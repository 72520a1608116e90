#include "WglContext.h"

#include "Platform.h"

namespace {

constexpr int kDefaultDepthBits = 16;
constexpr int kColourBits = 24;

bool failWith(const char* what)
{
    SDL_SetError("%s (Windows error %lu)", what, GetLastError());
    return false;
}

}  // namespace

WglContext gWglContext;

bool WglContext::open(HDC device)
{
    close();
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
    const int format = ChoosePixelFormat(device, &wanted);
    if (format == 0 || !SetPixelFormat(device, format, &wanted)) {
        return failWith("no OpenGL pixel format for the window");
    }
    context = wglCreateContext(device);
    if (context == nullptr || !wglMakeCurrent(device, context)) {
        return failWith("cannot make an OpenGL context");
    }
    return true;
}

void WglContext::close()
{
    if (context == nullptr) return;
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context);
    context = nullptr;
}

void* platformGlProcAddress(const char* name)
{
    // Extensions come from the context's driver; GL 1.1 itself from opengl32.dll.
    void* address = reinterpret_cast<void*>(wglGetProcAddress(name));
    const auto value = reinterpret_cast<INT_PTR>(address);
    if (value >= -1 && value <= 3) {
        address = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("opengl32.dll"), name));
    }
    return address;
}
