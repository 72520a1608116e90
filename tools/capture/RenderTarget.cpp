#include "RenderTarget.h"

#include "CaptureHost.h"
#include "ViewportScale.h"

#include <SDL.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Beyond the demo's 16-bit depth the window may have more; the offscreen depth follows
// the window's so that depth ties resolve as they do on screen.
constexpr int kShallowDepthBits = 16;

// The entry points of framebuffer objects, found at run time (OpenGL 3.0 and
// ARB_framebuffer_object, or EXT_framebuffer_object with EXT_framebuffer_blit and
// EXT_framebuffer_multisample, under the same signatures).
struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC renderbufferStorageMultisample = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
};

FramebufferCalls gCalls;

template <typename Function>
bool findEntry(Function* function, const char* name)
{
    void* address = SDL_GL_GetProcAddress(name);
    if (address == nullptr) address = SDL_GL_GetProcAddress((std::string(name) + "EXT").c_str());
    *function = reinterpret_cast<Function>(address);
    return address != nullptr;
}

bool findCalls()
{
    return findEntry(&gCalls.genFramebuffers, "glGenFramebuffers") &&
           findEntry(&gCalls.deleteFramebuffers, "glDeleteFramebuffers") &&
           findEntry(&gCalls.bindFramebuffer, "glBindFramebuffer") &&
           findEntry(&gCalls.genRenderbuffers, "glGenRenderbuffers") &&
           findEntry(&gCalls.deleteRenderbuffers, "glDeleteRenderbuffers") &&
           findEntry(&gCalls.bindRenderbuffer, "glBindRenderbuffer") &&
           findEntry(&gCalls.renderbufferStorageMultisample, "glRenderbufferStorageMultisample") &&
           findEntry(&gCalls.framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
           findEntry(&gCalls.checkFramebufferStatus, "glCheckFramebufferStatus") &&
           findEntry(&gCalls.blitFramebuffer, "glBlitFramebuffer");
}

std::string hex(GLenum value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

}  // namespace

int RenderTarget::open(int windowWidth, int windowHeight, int width, int height, int samples,
                       std::string* error)
{
    targetWidth = width;
    targetHeight = height;
    if (width == windowWidth && height == windowHeight && samples <= 1 && windowReadBack()) {
        return 0;
    }
    if (!findCalls()) {
        *error = "this OpenGL has no framebuffer objects for drawing at another size";
        return 1;
    }
    GLint largest = 0, viewportLimits[2] = {0, 0}, maxSamples = 0, depthBits = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewportLimits);
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    const GLint side = std::min(largest, std::min(viewportLimits[0], viewportLimits[1]));
    if (width > side || height > side) {
        *error = "--size " + std::to_string(width) + "x" + std::to_string(height) +
                 " is beyond this OpenGL's largest framebuffer side, " + std::to_string(side);
        return kBeyondLimits;
    }
    if (samples > maxSamples) {
        *error = "--samples " + std::to_string(samples) + " is more than this OpenGL's " +
                 std::to_string(maxSamples);
        return kBeyondLimits;
    }
    multisampled = samples > 1;
    const GLsizei storedSamples = multisampled ? samples : 0;
    const GLenum depthFormat =
        depthBits <= kShallowDepthBits ? GL_DEPTH_COMPONENT16 : GL_DEPTH_COMPONENT24;
    gCalls.genRenderbuffers(3, renderbuffers);
    gCalls.genFramebuffers(1, &drawFramebuffer);
    gCalls.bindFramebuffer(GL_FRAMEBUFFER, drawFramebuffer);
    const GLenum formats[2] = {GL_RGBA8, depthFormat};
    const GLenum attachments[2] = {GL_COLOR_ATTACHMENT0, GL_DEPTH_ATTACHMENT};
    for (int i = 0; i < 2; ++i) {
        gCalls.bindRenderbuffer(GL_RENDERBUFFER, renderbuffers[i]);
        gCalls.renderbufferStorageMultisample(GL_RENDERBUFFER, storedSamples, formats[i], width,
                                              height);
        gCalls.framebufferRenderbuffer(GL_FRAMEBUFFER, attachments[i], GL_RENDERBUFFER,
                                       renderbuffers[i]);
    }
    readFramebuffer = drawFramebuffer;
    if (multisampled) {
        gCalls.genFramebuffers(1, &readFramebuffer);
        gCalls.bindFramebuffer(GL_FRAMEBUFFER, readFramebuffer);
        gCalls.bindRenderbuffer(GL_RENDERBUFFER, renderbuffers[2]);
        gCalls.renderbufferStorageMultisample(GL_RENDERBUFFER, 0, GL_RGBA8, width, height);
        gCalls.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                       renderbuffers[2]);
    }
    for (unsigned framebuffer : {readFramebuffer, drawFramebuffer}) {
        gCalls.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        const GLenum status = gCalls.checkFramebufferStatus(GL_FRAMEBUFFER);
        if (status != GL_FRAMEBUFFER_COMPLETE) {
            *error = "cannot draw offscreen at " + std::to_string(width) + "x" +
                     std::to_string(height) + ": framebuffer status " + hex(status);
            close();
            return 1;
        }
    }
    offscreen = true;
    // From now on the demo's window-sized viewport lands on the whole target; the one it
    // set at start-up is carried over.
    scaleViewports(windowWidth, windowHeight, width, height);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return 0;
}

void RenderTarget::resolve()
{
    if (!multisampled) return;
    gCalls.bindFramebuffer(GL_READ_FRAMEBUFFER, drawFramebuffer);
    gCalls.bindFramebuffer(GL_DRAW_FRAMEBUFFER, readFramebuffer);
    gCalls.blitFramebuffer(0, 0, targetWidth, targetHeight, 0, 0, targetWidth, targetHeight,
                           GL_COLOR_BUFFER_BIT, GL_NEAREST);
    gCalls.bindFramebuffer(GL_FRAMEBUFFER, drawFramebuffer);
}

void RenderTarget::read(RgbImage* image)
{
    resolve();
    if (offscreen) {
        gCalls.bindFramebuffer(GL_READ_FRAMEBUFFER, readFramebuffer);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
    } else {
        glReadBuffer(GL_BACK);
    }
    const int width = targetWidth, height = targetHeight;
    if (image->width != width || image->height != height) image->resize(width, height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, image->pixels.data());
    // GL counts rows from the bottom; pictures start at the top.
    const size_t rowBytes = static_cast<size_t>(width) * RgbImage::kChannels;
    std::vector<uint8_t> swap(rowBytes);
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        std::memcpy(swap.data(), image->row(top), rowBytes);
        std::memcpy(image->row(top), image->row(bottom), rowBytes);
        std::memcpy(image->row(bottom), swap.data(), rowBytes);
    }
    if (offscreen) gCalls.bindFramebuffer(GL_FRAMEBUFFER, drawFramebuffer);
}

void RenderTarget::close()
{
    if (drawFramebuffer != 0 || readFramebuffer != 0) {
        gCalls.bindFramebuffer(GL_FRAMEBUFFER, 0);
        if (readFramebuffer != drawFramebuffer) gCalls.deleteFramebuffers(1, &readFramebuffer);
        gCalls.deleteFramebuffers(1, &drawFramebuffer);
        gCalls.deleteRenderbuffers(3, renderbuffers);
    }
    drawFramebuffer = readFramebuffer = 0;
    offscreen = multisampled = false;
    unscaleViewports();
}
