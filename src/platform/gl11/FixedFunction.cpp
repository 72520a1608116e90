#include "platform/gl11/FixedFunction.h"

#include <cmath>
#include <cstring>

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

// Rows of client images are padded to this many bytes: GL's initial unpack alignment,
// which the demo never changes.
constexpr size_t kRowAlignment = 4;

// Bytes per texel of the client formats taken with GL_UNSIGNED_BYTE, or 0 for others.
size_t texelBytes(GLenum format)
{
    switch (format) {
    case GL_LUMINANCE:
    case GL_ALPHA: return 1;
    case GL_LUMINANCE_ALPHA: return 2;
    case GL_RGB: return 3;
    case GL_RGBA: return 4;
    default: return 0;
    }
}

bool validInternalFormat(GLint format)
{
    switch (format) {
    case 1:
    case 2:
    case 3:
    case 4:
    case GL_LUMINANCE:
    case GL_ALPHA:
    case GL_LUMINANCE_ALPHA:
    case GL_RGB:
    case GL_RGBA: return true;
    default: return false;
    }
}

bool validFilter(GLenum name, GLint value)
{
    if (value == GL_NEAREST || value == GL_LINEAR) return true;
    return name == GL_TEXTURE_MIN_FILTER &&
           (value == GL_NEAREST_MIPMAP_NEAREST || value == GL_LINEAR_MIPMAP_NEAREST ||
            value == GL_NEAREST_MIPMAP_LINEAR || value == GL_LINEAR_MIPMAP_LINEAR);
}

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
        for (int r = 0; r < 4; ++r)
            l.position[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r] * w;
        for (int r = 0; r < 3; ++r) l.direction[r] = l.position[r];
        normalise3(l.direction);
        break;
    }
    default: fail(GL_INVALID_ENUM); return;
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
            lit[i] +=
                l.ambient[i] * kMaterialAmbient[i] + facing * (l.diffuse[i] * kMaterialDiffuse[i]);
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
        if (hidden) break;
        recorder->beginPrimitive(raster, rasterChanged,
                                 raster.textured ? textureObjects[raster.texture] : nullptr);
        recording = true;
        rasterChanged = false;
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
    if (recording) recorder->endPrimitive(primitiveMode);
    recording = false;
}

void FixedFunction::clear(GLbitfield mask)
{
    const GLbitfield drawn = mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (drawn != 0 && !hidden) recorder->clear(drawn, raster);
}

void FixedFunction::syncTextured()
{
    const TextureSnapshot* snapshot =
        bound < textureObjects.size() ? textureObjects[bound].get() : nullptr;
    const bool complete =
        snapshot != nullptr && snapshot->image != nullptr && needsNoMipmaps(snapshot->minFilter);
    const bool textured = texture2D && complete;
    const GLuint texture = textured ? bound : 0;
    if (raster.textured != textured || raster.texture != texture) {
        RasterState& r = rasterForChange();
        r.textured = textured;
        r.texture = texture;
    }
}

void FixedFunction::generateTextures(GLsizei n, GLuint* names)
{
    if (n < 0) {
        fail(GL_INVALID_VALUE);
        return;
    }
    for (GLsizei i = 0; i < n; ++i) names[i] = nextTextureName++;
}

void FixedFunction::deleteTextures(GLsizei n, const GLuint* names)
{
    if (n < 0) {
        fail(GL_INVALID_VALUE);
        return;
    }
    for (GLsizei i = 0; i < n; ++i) {
        const GLuint name = names[i];
        if (name == 0 || name >= textureObjects.size() || textureObjects[name] == nullptr) continue;
        textureObjects[name] = nullptr;
        if (bound == name) bound = 0;
    }
    syncTextured();
}

void FixedFunction::bindTexture(GLuint texture)
{
    // As in GL 1.1, binding a name never generated makes it a texture object.
    if (texture >= nextTextureName) nextTextureName = texture + 1;
    if (texture != 0 && (texture >= textureObjects.size() || textureObjects[texture] == nullptr)) {
        if (texture >= textureObjects.size()) textureObjects.resize(texture + 1);
        auto made = std::make_shared<TextureSnapshot>();
        made->name = texture;
        textureObjects[texture] = std::move(made);
    }
    bound = texture;
    syncTextured();
}

template <typename Change>
void FixedFunction::changeBoundTexture(Change change)
{
    auto changed = std::make_shared<TextureSnapshot>(*textureObjects[bound]);
    change(*changed);
    textureObjects[bound] = std::move(changed);
    rasterChanged = true;  // draws before the change sample the texture as it was
    syncTextured();
}

void FixedFunction::textureImage(GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                                 GLint border, GLenum format, GLenum type, const void* pixels)
{
    if (bound == 0) {
        // The unnamed default texture object is not modelled: WebGL has none.
        fail(GL_INVALID_OPERATION);
        return;
    }
    const size_t bytes = texelBytes(format);
    if (bytes == 0 || type != GL_UNSIGNED_BYTE || !validInternalFormat(internalFormat)) {
        fail(GL_INVALID_ENUM);
        return;
    }
    if (level < 0 || width < 0 || height < 0 || border != 0 || width > maxTextureSize ||
        height > maxTextureSize) {
        fail(GL_INVALID_VALUE);
        return;
    }
    if (level != 0) return;  // only level 0 is sampled: mipmapped filters leave it incomplete
    auto image = std::make_shared<TextureImage>();
    image->width = width;
    image->height = height;
    image->internalFormat = internalFormat;
    image->format = format;
    image->type = type;
    const size_t row =
        (static_cast<size_t>(width) * bytes + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    image->pixels.assign(row * static_cast<size_t>(height), 0);
    if (pixels != nullptr && !image->pixels.empty())
        std::memcpy(image->pixels.data(), pixels, image->pixels.size());
    const bool empty = width == 0 || height == 0;
    changeBoundTexture([&](TextureSnapshot& t) { t.image = empty ? nullptr : std::move(image); });
}

void FixedFunction::textureParameter(GLenum name, GLint value)
{
    if (bound == 0) {
        fail(GL_INVALID_OPERATION);
        return;
    }
    switch (name) {
    case GL_TEXTURE_MIN_FILTER:
    case GL_TEXTURE_MAG_FILTER:
        if (!validFilter(name, value)) {
            fail(GL_INVALID_ENUM);
            return;
        }
        break;
    case GL_TEXTURE_WRAP_S:
    case GL_TEXTURE_WRAP_T:
        if (value != GL_REPEAT && value != GL_CLAMP && value != GL_CLAMP_TO_EDGE) {
            fail(GL_INVALID_ENUM);
            return;
        }
        break;
    default: fail(GL_INVALID_ENUM); return;
    }
    changeBoundTexture([&](TextureSnapshot& t) {
        if (name == GL_TEXTURE_MIN_FILTER) t.minFilter = value;
        else if (name == GL_TEXTURE_MAG_FILTER) t.magFilter = value;
        else if (name == GL_TEXTURE_WRAP_S) t.wrapS = value;
        else t.wrapT = value;
    });
}
