#include "WebPage.h"

#include <emscripten.h>

#include <cstdarg>
#include <cstdio>

namespace {

constexpr size_t kReasonBytes = 256;  // longer reasons are cut

EM_JS(void, callFrameDrawn, (int frames, int elapsed), {
    if (Module.onFrameDrawn) Module.onFrameDrawn(frames, elapsed);
});

EM_JS(void, callShowEnded, (int elapsed, int length), {
    if (Module.onShowEnded) Module.onShowEnded(elapsed, length);
});

EM_JS(void, callCatchingUp, (double share), {
    if (Module.onCatchingUp) Module.onCatchingUp(share);
});

EM_JS(void, callSeeked, (int elapsed), {
    if (Module.onSeeked) Module.onSeeked(elapsed);
});

EM_JS(void, callScene, (int index, const char* name, int start, int end), {
    if (Module.onScene) Module.onScene(index, UTF8ToString(name), start, end);
});

EM_JS(void, callStillDrawn, (int requestedMs), {
    if (Module.onStillDrawn) Module.onStillDrawn(requestedMs);
});

EM_JS(void, callCaption, (const char* caption), {
    if (Module.onCaption) Module.onCaption(UTF8ToString(caption));
});

EM_JS(void, callStartFailed, (const char* reason), {
    if (Module.onStartFailed) Module.onStartFailed(UTF8ToString(reason));
});

}  // namespace

void pageFrameDrawn(int frames, int32_t elapsed) { callFrameDrawn(frames, elapsed); }

void pageShowEnded(int32_t elapsed, int32_t length) { callShowEnded(elapsed, length); }

void pageCatchingUp(double share) { callCatchingUp(share); }

void pageSeeked(int32_t elapsed) { callSeeked(elapsed); }

void pageScene(int index, const char* name, int32_t start, int32_t end)
{
    callScene(index, name, start, end);
}

void pageStillDrawn(int32_t requestedMs) { callStillDrawn(requestedMs); }

void pageCaption(const char* caption) { callCaption(caption); }

void pageStartFailed(const std::string& reason) { callStartFailed(reason.c_str()); }

void startFailed(const char* format, ...)
{
    char reason[kReasonBytes];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(reason, sizeof reason, format, arguments);
    va_end(arguments);
    std::fprintf(stderr, "quorvane: %s\n", reason);
    pageStartFailed(reason);
}
