// The GL 1.1 entry points the demo calls, in place of a GL library's: everything goes to
// gFixedFunction, which records the frame for the platform's replay to draw.
#include "platform/gl11/GlEntryPoints.h"

#include <GL/gl.h>

FixedFunction gFixedFunction;

namespace {

GLfloat clampf(GLfloat v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// The answers the texture loader reads: any texture size is fine, as the replay takes them.
const char kVendor[] = "Quorvane";
const char kRenderer[] = "fixed-function GL recorder";
const char kVersion[] = "1.1 Quorvane";
const char kExtensions[] = "GL_ARB_texture_non_power_of_two";

}  // namespace

extern "C" {

void glEnable(GLenum cap) { gFixedFunction.setCapability(cap, true); }
void glDisable(GLenum cap) { gFixedFunction.setCapability(cap, false); }
GLboolean glIsEnabled(GLenum cap) { return gFixedFunction.capability(cap) ? GL_TRUE : GL_FALSE; }

GLenum glGetError(void)
{
    const GLenum error = gFixedFunction.error;
    gFixedFunction.error = GL_NO_ERROR;
    return error;
}

void glMatrixMode(GLenum mode) { gFixedFunction.selectMatrix(mode); }
void glLoadIdentity(void) { gFixedFunction.loadMatrix(identityMatrix()); }
void glPushMatrix(void) { gFixedFunction.pushMatrix(); }
void glPopMatrix(void) { gFixedFunction.popMatrix(); }

void glLoadMatrixf(const GLfloat* m)
{
    Matrix matrix;
    for (int i = 0; i < 16; ++i) matrix.m[i] = m[i];
    gFixedFunction.loadMatrix(matrix);
}

void glMultMatrixf(const GLfloat* m)
{
    Matrix matrix;
    for (int i = 0; i < 16; ++i) matrix.m[i] = m[i];
    gFixedFunction.multiplyMatrix(matrix);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    gFixedFunction.multiplyMatrix(rotationMatrix(angle, x, y, z));
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    gFixedFunction.multiplyMatrix(translationMatrix(x, y, z));
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    if (width < 0 || height < 0) {
        gFixedFunction.fail(GL_INVALID_VALUE);
        return;
    }
    GLint* viewport = gFixedFunction.rasterForChange().viewport;
    viewport[0] = x;
    viewport[1] = y;
    viewport[2] = width;
    viewport[3] = height;
}

void glBegin(GLenum mode) { gFixedFunction.begin(mode); }
void glEnd(void) { gFixedFunction.end(); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { gFixedFunction.vertex(x, y, z); }
void glTexCoord2f(GLfloat s, GLfloat t) { gFixedFunction.setTexCoord(s, t); }
void glTexCoord2i(GLint s, GLint t)
{
    gFixedFunction.setTexCoord(static_cast<GLfloat>(s), static_cast<GLfloat>(t));
}
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) { gFixedFunction.setNormal(x, y, z); }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { gFixedFunction.setColour(r, g, b, 1.0f); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { gFixedFunction.setColour(r, g, b, a); }

void glShadeModel(GLenum mode)
{
    // Only smooth shading is drawn; flat would need each triangle's provoking vertex.
    if (mode != GL_SMOOTH && mode != GL_FLAT) gFixedFunction.fail(GL_INVALID_ENUM);
}

void glHint(GLenum target, GLenum mode)
{
    // WebGL always interpolates with perspective and computes fog per fragment, which is
    // what GL_NICEST asks for; the hints change nothing.
    (void)target;
    if (mode != GL_FASTEST && mode != GL_NICEST && mode != GL_DONT_CARE)
        gFixedFunction.fail(GL_INVALID_ENUM);
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a)
{
    float* colour = gFixedFunction.rasterForChange().clearColour;
    colour[0] = clampf(r);
    colour[1] = clampf(g);
    colour[2] = clampf(b);
    colour[3] = clampf(a);
}

void glClearDepth(GLclampd depth)
{
    gFixedFunction.rasterForChange().clearDepth = clampf(static_cast<GLfloat>(depth));
}

void glClear(GLbitfield mask) { gFixedFunction.clear(mask); }
void glDepthFunc(GLenum func) { gFixedFunction.rasterForChange().depthFunc = func; }
void glDepthMask(GLboolean flag)
{
    gFixedFunction.rasterForChange().depthMask = flag ? GL_TRUE : GL_FALSE;
}

void glBlendFunc(GLenum source, GLenum destination)
{
    RasterState& raster = gFixedFunction.rasterForChange();
    raster.blendSource = source;
    raster.blendDestination = destination;
}

void glLightfv(GLenum light, GLenum name, const GLfloat* values)
{
    gFixedFunction.setLight(light, name, values);
}

void glFogf(GLenum name, GLfloat value) { gFixedFunction.setFog(name, &value, 1); }
void glFogfv(GLenum name, const GLfloat* values) { gFixedFunction.setFog(name, values, 4); }

void glGenTextures(GLsizei n, GLuint* names) { gFixedFunction.generateTextures(n, names); }

void glBindTexture(GLenum target, GLuint texture)
{
    if (target != GL_TEXTURE_2D) {
        gFixedFunction.fail(GL_INVALID_ENUM);
        return;
    }
    gFixedFunction.bindTexture(texture);
}

void glDeleteTextures(GLsizei n, const GLuint* names) { gFixedFunction.deleteTextures(n, names); }

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels)
{
    if (target != GL_TEXTURE_2D) {
        gFixedFunction.fail(GL_INVALID_ENUM);
        return;
    }
    gFixedFunction.textureImage(level, internalFormat, width, height, border, format, type, pixels);
}

void glTexParameteri(GLenum target, GLenum name, GLint value)
{
    if (target != GL_TEXTURE_2D) {
        gFixedFunction.fail(GL_INVALID_ENUM);
        return;
    }
    gFixedFunction.textureParameter(name, value);
}

const GLubyte* glGetString(GLenum name)
{
    const char* text = nullptr;
    switch (name) {
    case GL_VENDOR: text = kVendor; break;
    case GL_RENDERER: text = kRenderer; break;
    case GL_VERSION: text = kVersion; break;
    case GL_EXTENSIONS: text = kExtensions; break;
    default: gFixedFunction.fail(GL_INVALID_ENUM); break;
    }
    return reinterpret_cast<const GLubyte*>(text);
}

void glGetIntegerv(GLenum name, GLint* values)
{
    const RasterState& raster = gFixedFunction.rasterState();
    switch (name) {
    case GL_MAX_TEXTURE_SIZE: values[0] = gFixedFunction.maxTextureSize; break;
    case GL_VIEWPORT:
        for (int i = 0; i < 4; ++i) values[i] = raster.viewport[i];
        break;
    case GL_TEXTURE_BINDING_2D:
        values[0] = static_cast<GLint>(gFixedFunction.boundTexture());
        break;
    case GL_MATRIX_MODE: values[0] = static_cast<GLint>(gFixedFunction.currentMatrixMode()); break;
    case GL_MODELVIEW_STACK_DEPTH: values[0] = gFixedFunction.modelviewDepth(); break;
    case GL_PROJECTION_STACK_DEPTH: values[0] = gFixedFunction.projectionDepth(); break;
    case GL_DEPTH_FUNC: values[0] = static_cast<GLint>(raster.depthFunc); break;
    case GL_BLEND_SRC: values[0] = static_cast<GLint>(raster.blendSource); break;
    case GL_BLEND_DST: values[0] = static_cast<GLint>(raster.blendDestination); break;
    default: gFixedFunction.fail(GL_INVALID_ENUM); break;
    }
}

void glGetFloatv(GLenum name, GLfloat* values)
{
    switch (name) {
    case GL_MODELVIEW_MATRIX:
        for (int i = 0; i < 16; ++i) values[i] = gFixedFunction.modelview().m[i];
        break;
    case GL_PROJECTION_MATRIX:
        for (int i = 0; i < 16; ++i) values[i] = gFixedFunction.projection().m[i];
        break;
    case GL_CURRENT_COLOR:
        for (int i = 0; i < 4; ++i) values[i] = gFixedFunction.currentColour()[i];
        break;
    case GL_FOG_MODE:
    case GL_FOG_DENSITY:
    case GL_FOG_START:
    case GL_FOG_END:
    case GL_FOG_COLOR: gFixedFunction.getFog(name, values); break;
    default: gFixedFunction.fail(GL_INVALID_ENUM); break;
    }
}

}  // extern "C"
