#include "FastForward.h"

#include "GlLibrary.h"

#include <GL/gl.h>

#ifndef GL_RASTERIZER_DISCARD
#define GL_RASTERIZER_DISCARD 0x8C89
#endif

namespace {

// GL keeps at most one flag per kind of error; a handful of reads empties the queue.
constexpr int kMaxQueuedErrors = 16;

bool gHidden = false;
bool gCanDiscard = false;

void clearErrors()
{
    for (int i = 0; i < kMaxQueuedErrors && glGetError() != GL_NO_ERROR; ++i) {
    }
}

// The GL library's own entry point, found past this program's wrappers.
template <typename Function>
Function nextDefinition(const char* name)
{
    return reinterpret_cast<Function>(glLibraryEntry(name));
}

using BeginFunction = void (*)(GLenum);
using EndFunction = void (*)();
using VertexFunction = void (*)(GLfloat, GLfloat, GLfloat);

}  // namespace

// The demo's geometry goes through these three calls, all of it in immediate mode. This
// program's definitions take the place of the GL's for the demo code linked into it;
// while frames are hidden, a vertex costs a test instead of the GL's vertex pipeline.
// The attribute calls between them (colour, normal, texture coordinate) still reach the
// GL: they set the current values later frames may draw with.
extern "C" {

void glBegin(GLenum mode)
{
    static const BeginFunction real = nextDefinition<BeginFunction>("glBegin");
    if (!gHidden) real(mode);
}

void glEnd()
{
    static const EndFunction real = nextDefinition<EndFunction>("glEnd");
    if (!gHidden) real();
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    static const VertexFunction real = nextDefinition<VertexFunction>("glVertex3f");
    if (!gHidden) real(x, y, z);
}

}  // extern "C"

bool canDiscardRasterisation()
{
    clearErrors();
    glEnable(GL_RASTERIZER_DISCARD);
    gCanDiscard = glGetError() == GL_NO_ERROR && glIsEnabled(GL_RASTERIZER_DISCARD);
    glDisable(GL_RASTERIZER_DISCARD);
    clearErrors();
    return gCanDiscard;
}

void setFramesHidden(bool hidden)
{
    gHidden = hidden;
    if (!gCanDiscard) return;
    if (hidden) glEnable(GL_RASTERIZER_DISCARD);
    else glDisable(GL_RASTERIZER_DISCARD);
}

bool framesHidden() { return gHidden; }
