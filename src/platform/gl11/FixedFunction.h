// The recorder: the GL 1.1 state the demo draws with and the per-vertex half of the
// fixed-function pipeline. Each glVertex is transformed, lit and given its fog distance
// here, in single precision as GL defines it, and handed to the frame being recorded;
// texture objects are kept here whole, so a replay can rebuild them at any time.
#pragma once

#include "platform/gl11/FrameRecorder.h"
#include "platform/gl11/Matrix.h"

#include <GL/gl.h>

#include <cstdint>
#include <memory>
#include <vector>

// One of GL's eight lights; only what the demo's calls can set is modelled.
struct Light {
    bool enabled = false;                          // glEnable(GL_LIGHTi)
    float ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};   // GL_AMBIENT
    float diffuse[4] = {0.0f, 0.0f, 0.0f, 1.0f};   // GL_DIFFUSE
    float position[4] = {0.0f, 0.0f, 1.0f, 0.0f};  // eye space, as transformed at the call
    float direction[3] = {0.0f, 0.0f, 1.0f};       // unit vector towards a directional light
};

constexpr int kLightCount = 8;
constexpr int kModelviewStackDepth = 32;
constexpr int kProjectionStackDepth = 4;
constexpr GLint kMinMaxTextureSize = 64;  // GL's guaranteed minimum of GL_MAX_TEXTURE_SIZE

class FixedFunction {
public:
    FixedFunction();

    // A copy is the GL state at one moment between frames and shares the frame being
    // recorded, which is empty then; restore brings that state back, frames still hidden
    // or shown as they are now.
    void restore(const FixedFunction& saved)
    {
        const bool keepHidden = hidden;
        *this = saved;
        hidden = keepHidden;
    }

    void setCapability(GLenum cap, bool on);
    bool capability(GLenum cap) const;

    // Matrices: the current one of the mode selected by glMatrixMode.
    void selectMatrix(GLenum mode);
    void loadMatrix(const Matrix& m);
    void multiplyMatrix(const Matrix& m);  // current = current × m
    void pushMatrix();
    void popMatrix();
    const Matrix& modelview() const { return modelviewStack.back(); }
    const Matrix& projection() const { return projectionStack.back(); }

    void setLight(GLenum light, GLenum name, const GLfloat* values);
    // glFog's parameters; `count` is how many values the call passed (1 or 4).
    void setFog(GLenum name, const GLfloat* values, int count);
    void getFog(GLenum name, GLfloat* values) const;
    const float* currentColour() const { return colour; }
    GLenum currentMatrixMode() const { return matrixMode; }
    int modelviewDepth() const { return static_cast<int>(modelviewStack.size()); }
    int projectionDepth() const { return static_cast<int>(projectionStack.size()); }

    void begin(GLenum mode);
    void vertex(float x, float y, float z)
    {
        if (!recording) return;
        if (colourStale) {
            updateColour(x, y, z);
            ++recorder->inputsEpoch;
        }
        if (mvpStale) {
            updateMvp();
            ++recorder->inputsEpoch;
        }
        RecordedVertex* v = recorder->vertexFor(x, y, z, texCoord[0], texCoord[1]);
        if (v == nullptr) return;  // the frame has this very vertex already
        const float* m = mvp.m;
        v->clip[0] = m[0] * x + m[4] * y + m[8] * z + m[12];
        v->clip[1] = m[1] * x + m[5] * y + m[9] * z + m[13];
        v->clip[2] = m[2] * x + m[6] * y + m[10] * z + m[14];
        v->clip[3] = m[3] * x + m[7] * y + m[11] * z + m[15];
        const float* e = modelviewStack.back().m;
        const float eyeZ = e[2] * x + e[6] * y + e[10] * z + e[14];
        v->fogDistance = eyeZ < 0.0f ? -eyeZ : eyeZ;
        v->colour[0] = vertexColour[0];
        v->colour[1] = vertexColour[1];
        v->colour[2] = vertexColour[2];
        v->colour[3] = vertexColour[3];
        v->texCoord[0] = texCoord[0];
        v->texCoord[1] = texCoord[1];
    }
    void end();

    void setColour(float r, float g, float b, float a);
    void setNormal(float x, float y, float z);
    void setTexCoord(float s, float t)
    {
        texCoord[0] = s;
        texCoord[1] = t;
    }

    // Rasterisation state; every change goes through here so batches split where needed.
    RasterState& rasterForChange()
    {
        rasterChanged = true;
        return raster;
    }
    const RasterState& rasterState() const { return raster; }
    void clear(GLbitfield mask);

    // Texture objects, named by the recorder and kept with their images and parameters.
    void generateTextures(GLsizei n, GLuint* names);
    void deleteTextures(GLsizei n, const GLuint* names);
    void bindTexture(GLuint texture);
    GLuint boundTexture() const { return bound; }
    // glTexImage2D and glTexParameteri on the bound texture.
    void textureImage(GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                      GLint border, GLenum format, GLenum type, const void* pixels);
    void textureParameter(GLenum name, GLint value);
    // Every texture object that exists now, by name; null where a name is unused.
    const std::vector<std::shared_ptr<const TextureSnapshot>>& textures() const
    {
        return textureObjects;
    }

    // The largest texture glGetIntegerv reports: the replay's, once it knows it.
    GLint maxTextureSize = kMinMaxTextureSize;

    // What has been drawn since the last startFrame, and the start of the next frame.
    const RecordedFrame& recorded() const { return recorder->recorded(); }
    void startFrame() { recorder->startFrame(); }
    // The same, the frame just recorded handed to *kept (see FrameRecorder::startFrame).
    void startFrame(RecordedFrame* kept) { recorder->startFrame(kept); }
    // While hidden, drawing and clearing are dropped but every state change still takes
    // effect, so frames skipped on the way to a later one leave the state as if drawn.
    bool hidden = false;

    GLenum error = GL_NO_ERROR;  // the first error since glGetError last read it
    void fail(GLenum code)
    {
        if (error == GL_NO_ERROR) error = code;
    }

    bool insideBegin = false;  // between glBegin and glEnd

private:
    void updateMvp();
    void updateColour(float x, float y, float z);
    void matrixChanged();
    void syncTextured();
    void lightsChanged();
    // Replaces the bound texture (one must be bound) by a copy that `change` alters.
    template <typename Change>
    void changeBoundTexture(Change change);

    // Texture objects by name (0 is GL's unnamed one, not modelled: always null). Only
    // level 0 is ever given, so a texture can be sampled when its filter needs no mipmaps.
    std::vector<std::shared_ptr<const TextureSnapshot>> textureObjects;
    GLuint nextTextureName = 1;  // names are never reused, so a replay never mistakes one
    GLuint bound = 0;            // name bound to GL_TEXTURE_2D

    std::vector<Matrix> modelviewStack;  // glPushMatrix's stacks; back() is current
    std::vector<Matrix> projectionStack;
    GLenum matrixMode = GL_MODELVIEW;  // the stack glMatrixMode selected
    Matrix mvp;                        // projection × modelview
    bool mvpStale = true;              // mvp needs recomputing before the next vertex
    float normalTransform[9];          // inverse-transpose of the modelview's 3x3, row major
    bool normalTransformStale = true;

    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // glColor
    float normal[3] = {0.0f, 0.0f, 1.0f};        // glNormal, object space
    float texCoord[2] = {0.0f, 0.0f};            // glTexCoord
    float vertexColour[4];                       // the colour vertices get: current colour, or lit
    bool colourStale = true;       // vertexColour needs recomputing before the next vertex
    bool colourPerVertex = false;  // a positional light makes the lit colour vary per vertex

    bool lighting = false;    // GL_LIGHTING
    bool normalize = false;   // GL_NORMALIZE
    bool texture2D = false;   // GL_TEXTURE_2D
    bool fog = false;         // GL_FOG
    bool lineSmooth = false;  // GL_LINE_SMOOTH: kept for glIsEnabled; no lines are drawn
    bool dither = true;       // GL_DITHER: likewise; WebGL dithers as it likes
    GLenum fogMode =
        GL_EXP;  // kept apart from the raster state, which sees it only while fog is on
    Light lights[kLightCount];  // GL_LIGHT0 onwards

    std::shared_ptr<FrameRecorder> recorder =
        std::make_shared<FrameRecorder>();  // the frame being recorded
    RasterState raster;                     // what the next primitive or clear is made under
    bool rasterChanged = true;              // raster may differ from the last recorded primitive's
    bool recording = false;                 // the open primitive's vertices are being kept
    GLenum primitiveMode = GL_TRIANGLES;    // glBegin's mode of the open primitive
};
