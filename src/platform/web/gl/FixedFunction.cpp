#include "platform/web/gl/FixedFunction.h"

#include <cmath>

FixedFunction gFixedFunction;

namespace {

// GL's initial material and light model, which the demo never changes: no glMaterial,
// no glLightModel, no colour tracking. Emission and specular are black, so they add
// nothing and are left out.
constexpr float kMaterialAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
constexpr float kMaterialDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
constexpr float kModelAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};

// GL_LIGHT0 starts white; the others start black.
constexpr float kLight0Diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};

float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

void normalise3(float v[3])
{
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > 0.0f) {
        v[0] /= length;
        v[1] /= length;
        v[2] /= length;
    }
}

// The texture filters that need no mipmap levels beyond level 0.
bool needsNoMipmaps(GLint filter) { return filter == GL_NEAREST || filter == GL_LINEAR; }

}  // namespace

FixedFunction::FixedFunction()
{
    modelviewStack.reserve(kModelviewStackDepth);
    projectionStack.reserve(kProjectionStackDepth);
    modelviewStack.push_back(identityMatrix());
    projectionStack.push_back(identityMatrix());
    for (int i = 0; i < 4; ++i) lights[0].diffuse[i] = kLight0Diffuse[i];
}

void FixedFunction::setCapability(GLenum cap, bool on)
{
    if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + kLightCount) {
        lights[cap - GL_LIGHT0].enabled = on;
        lightsChanged();
        return;
    }
    switch (cap) {
    case GL_DEPTH_TEST: rasterForChange().depthTest = on; break;
    case GL_BLEND: rasterForChange().blend = on; break;
    case GL_CULL_FACE: rasterForChange().cullFace = on; break;
    case GL_TEXTURE_2D:
        texture2D = on;
        syncTextured();
        break;
    case GL_FOG:
        fog = on;
        rasterForChange().fogMode = fog ? fogMode : 0;
        break;
    case GL_LIGHTING:
        lighting = on;
        lightsChanged();
        break;
    case GL_NORMALIZE:
        normalize = on;
        colourStale = true;
        break;
    case GL_LINE_SMOOTH: lineSmooth = on; break;
    case GL_DITHER: dither = on; break;
    default: fail(GL_INVALID_ENUM); break;
    }
}

bool FixedFunction::capability(GLenum cap) const
{
    if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + kLightCount) return lights[cap - GL_LIGHT0].enabled;
    switch (cap) {
    case GL_DEPTH_TEST: return raster.depthTest;
    case GL_BLEND: return raster.blend;
    case GL_CULL_FACE: return raster.cullFace;
    case GL_TEXTURE_2D: return texture2D;
    case GL_FOG: return fog;
    case GL_LIGHTING: return lighting;
    case GL_NORMALIZE: return normalize;
    case GL_LINE_SMOOTH: return lineSmooth;
    case GL_DITHER: return dither;
    default: return false;
    }
}

void FixedFunction::selectMatrix(GLenum mode)
{
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION) matrixMode = mode;
    else fail(GL_INVALID_ENUM);
}

void FixedFunction::matrixChanged()
{
    mvpStale = true;
    if (matrixMode == GL_MODELVIEW) {
        normalTransformStale = true;
        if (lighting) colourStale = true;
    }
}

void FixedFunction::loadMatrix(const Matrix& m)
{
    (matrixMode == GL_MODELVIEW ? modelviewStack : projectionStack).back() = m;
    matrixChanged();
}

void FixedFunction::multiplyMatrix(const Matrix& m)
{
    Matrix& current = (matrixMode == GL_MODELVIEW ? modelviewStack : projectionStack).back();
    current = multiply(current, m);
    matrixChanged();
}

void FixedFunction::pushMatrix()
{
    std::vector<Matrix>& stack = matrixMode == GL_MODELVIEW ? modelviewStack : projectionStack;
    const size_t depth = matrixMode == GL_MODELVIEW ? kModelviewStackDepth : kProjectionStackDepth;
    if (stack.size() >= depth) {
        fail(GL_STACK_OVERFLOW);
        return;
    }
    stack.push_back(stack.back());
}

void FixedFunction::popMatrix()
{
    std::vector<Matrix>& stack = matrixMode == GL_MODELVIEW ? modelviewStack : projectionStack;
    if (stack.size() <= 1) {
        fail(GL_STACK_UNDERFLOW);
        return;
    }
    stack.pop_back();
    matrixChanged();
}

void FixedFunction::setLight(GLenum light, GLenum name, const GLfloat* values)
{
    if (light < GL_LIGHT0 || light >= GL_LIGHT0 + kLightCount) {
        fail(GL_INVALID_ENUM);
        return;
    }
    Light& l = lights[light - GL_LIGHT0];
    switch (name) {
    case GL_AMBIENT:
        for (int i = 0; i < 4; ++i) l.ambient[i] = values[i];
        break;
    case GL_DIFFUSE:
        for (int i = 0; i < 4; ++i) l.diffuse[i] = values[i];
        break;
    case GL_SPECULAR: break;  // the material's specular is black: highlights never show
    case GL_POSITION: {
        // Fixed in eye space by the modelview of this moment, as GL does.
        const float* m = modelviewStack.back().m;
        const float x = values[0], y = values[1], z = values[2], w = values[3];
        for (int r = 0; r < 4; ++r) l.position[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r] * w;
        for (int r = 0; r < 3; ++r) l.direction[r] = l.position[r];
        normalise3(l.direction);
        break;
    }
    default:
        fail(GL_INVALID_ENUM);
        return;
    }
    lightsChanged();
}

void FixedFunction::lightsChanged()
{
    colourStale = true;
    colourPerVertex = false;
    for (const Light& each : lights) {
        if (lighting && each.enabled && each.position[3] != 0.0f) colourPerVertex = true;
    }
}

void FixedFunction::setFog(GLenum name, const GLfloat* values, int count)
{
    switch (name) {
    case GL_FOG_MODE: {
        const GLenum mode = static_cast<GLenum>(values[0]);
        if (mode != GL_LINEAR && mode != GL_EXP && mode != GL_EXP2) {
            fail(GL_INVALID_ENUM);
            return;
        }
        fogMode = mode;
        if (fog) rasterForChange().fogMode = mode;
        break;
    }
    case GL_FOG_DENSITY:
        if (values[0] < 0.0f) {
            fail(GL_INVALID_VALUE);
            return;
        }
        rasterForChange().fogDensity = values[0];
        break;
    case GL_FOG_START: rasterForChange().fogStart = values[0]; break;
    case GL_FOG_END: rasterForChange().fogEnd = values[0]; break;
    case GL_FOG_COLOR:
        if (count < 4) {
            fail(GL_INVALID_ENUM);
            return;
        }
        for (int i = 0; i < 3; ++i) rasterForChange().fogColour[i] = clamp01(values[i]);
        break;
    default: fail(GL_INVALID_ENUM); break;
    }
}

void FixedFunction::getFog(GLenum name, GLfloat* values) const
{
    switch (name) {
    case GL_FOG_MODE: values[0] = static_cast<GLfloat>(fogMode); break;
    case GL_FOG_DENSITY: values[0] = raster.fogDensity; break;
    case GL_FOG_START: values[0] = raster.fogStart; break;
    case GL_FOG_END: values[0] = raster.fogEnd; break;
    case GL_FOG_COLOR:
        for (int i = 0; i < 3; ++i) values[i] = raster.fogColour[i];
        values[3] = 1.0f;  // fog never changes alpha, so it is not kept
        break;
    default: break;
    }
}

void FixedFunction::setColour(float r, float g, float b, float a)
{
    colour[0] = r;
    colour[1] = g;
    colour[2] = b;
    colour[3] = a;
    if (!lighting) colourStale = true;
}

void FixedFunction::setNormal(float x, float y, float z)
{
    normal[0] = x;
    normal[1] = y;
    normal[2] = z;
    if (lighting) colourStale = true;
}

void FixedFunction::updateMvp()
{
    mvp = multiply(projectionStack.back(), modelviewStack.back());
    mvpStale = false;
}

void FixedFunction::updateColour(float x, float y, float z)
{
    if (!lighting) {
        for (int i = 0; i < 4; ++i) vertexColour[i] = clamp01(colour[i]);
        colourStale = false;
        return;
    }
    if (normalTransformStale) {
        normalMatrix(modelviewStack.back(), normalTransform);
        normalTransformStale = false;
    }
    const float* t = normalTransform;
    float n[3] = {t[0] * normal[0] + t[1] * normal[1] + t[2] * normal[2],
                  t[3] * normal[0] + t[4] * normal[1] + t[5] * normal[2],
                  t[6] * normal[0] + t[7] * normal[1] + t[8] * normal[2]};
    if (normalize) normalise3(n);

    float lit[3];
    for (int i = 0; i < 3; ++i) lit[i] = kMaterialAmbient[i] * kModelAmbient[i];
    float eye[3] = {0.0f, 0.0f, 0.0f};
    if (colourPerVertex) {
        const float* m = modelviewStack.back().m;
        for (int r = 0; r < 3; ++r) eye[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
    }
    for (const Light& l : lights) {
        if (!l.enabled) continue;
        float toLight[3] = {l.direction[0], l.direction[1], l.direction[2]};
        if (l.position[3] != 0.0f) {
            for (int r = 0; r < 3; ++r) toLight[r] = l.position[r] / l.position[3] - eye[r];
            normalise3(toLight);
        }
        float facing = n[0] * toLight[0] + n[1] * toLight[1] + n[2] * toLight[2];
        if (facing < 0.0f) facing = 0.0f;
        for (int i = 0; i < 3; ++i) {
            lit[i] += l.ambient[i] * kMaterialAmbient[i] + facing * (l.diffuse[i] * kMaterialDiffuse[i]);
        }
    }
    for (int i = 0; i < 3; ++i) vertexColour[i] = clamp01(lit[i]);
    vertexColour[3] = kMaterialDiffuse[3];
    colourStale = colourPerVertex;
}

void FixedFunction::begin(GLenum mode)
{
    if (insideBegin) {
        fail(GL_INVALID_OPERATION);
        return;
    }
    insideBegin = true;
    primitiveMode = mode;
    recording = false;
    switch (mode) {
    case GL_TRIANGLES:
    case GL_TRIANGLE_STRIP:
    case GL_TRIANGLE_FAN:
    case GL_QUADS:
    case GL_QUAD_STRIP:
    case GL_POLYGON:
        recording = gDrawList.beginPrimitive(raster, rasterChanged);
        if (recording) rasterChanged = false;
        break;
    case GL_POINTS:
    case GL_LINES:
    case GL_LINE_STRIP:
    case GL_LINE_LOOP: break;  // accepted and not drawn: the demo draws no points or lines
    default:
        fail(GL_INVALID_ENUM);
        insideBegin = false;
        break;
    }
}

void FixedFunction::end()
{
    if (!insideBegin) {
        fail(GL_INVALID_OPERATION);
        return;
    }
    insideBegin = false;
    if (recording) gDrawList.endPrimitive(primitiveMode);
    recording = false;
}

void FixedFunction::clear(GLbitfield mask)
{
    const GLbitfield drawn = mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (drawn != 0) gDrawList.clear(drawn, raster);
}

void FixedFunction::syncTextured()
{
    const bool complete = boundTexture < textureHasImage.size() && textureHasImage[boundTexture] &&
                          needsNoMipmaps(textureMinFilter[boundTexture]);
    const bool textured = texture2D && complete;
    const GLuint texture = textured ? boundTexture : 0;
    if (raster.textured != textured || raster.texture != texture) {
        RasterState& r = rasterForChange();
        r.textured = textured;
        r.texture = texture;
    }
}

void FixedFunction::bindTexture(GLuint texture)
{
    boundTexture = texture;
    syncTextured();
}

void FixedFunction::textureChanged(GLuint texture, bool hasImage, GLint minFilter)
{
    if (texture >= textureHasImage.size()) {
        textureHasImage.resize(texture + 1, 0);
        textureMinFilter.resize(texture + 1, GL_NEAREST_MIPMAP_LINEAR);  // GL's initial filter
    }
    if (minFilter != 0) textureMinFilter[texture] = minFilter;
    if (hasImage) textureHasImage[texture] = 1;
    syncTextured();
}

void FixedFunction::textureDeleted(GLuint texture)
{
    if (texture < textureHasImage.size()) {
        textureHasImage[texture] = 0;
        textureMinFilter[texture] = GL_NEAREST_MIPMAP_LINEAR;
    }
    if (boundTexture == texture) boundTexture = 0;
    syncTextured();
}
