#include "platform/web/gl/WebGlReplay.h"

#include "platform/web/gl/WebGlCalls.h"
#include "platform/PictureScale.h"

#include <emscripten/html5.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Attribute slots, fixed before linking.
enum : GLuint { kClipSlot = 0, kColourSlot = 1, kTexFogSlot = 2 };

// Fog mode numbers the fragment shader switches on.
constexpr int kShaderNoFog = 0, kShaderLinearFog = 1, kShaderExpFog = 2, kShaderExp2Fog = 3;

const char* const kVertexShader = R"(#version 300 es
layout(location = 0) in vec4 aClip;
layout(location = 1) in vec4 aColour;
layout(location = 2) in vec3 aTexFog;
out vec4 vColour;
out vec2 vTexCoord;
out float vFogDistance;
void main() {
    gl_Position = aClip;
    vColour = aColour;
    vTexCoord = aTexFog.xy;
    vFogDistance = aTexFog.z;
}
)";

// GL_MODULATE texturing, then fog with the factor computed per fragment. Compiled once per
// combination of TEXTURED and FOG_MODE (the kShader*Fog numbers), so no fragment branches.
const char* const kFragmentShader = R"(
precision highp float;
uniform sampler2D uTexture;
uniform vec3 uFogColour;
uniform float uFogDensity;
uniform float uFogStart;
uniform float uFogEnd;
in vec4 vColour;
in vec2 vTexCoord;
in float vFogDistance;
out vec4 outColour;
void main() {
    vec4 colour = vColour;
#if TEXTURED
    colour *= texture(uTexture, vTexCoord);
#endif
#if FOG_MODE == 1
    float f = (uFogEnd - vFogDistance) / (uFogEnd - uFogStart);
#elif FOG_MODE == 2
    float f = exp(-uFogDensity * vFogDistance);
#elif FOG_MODE == 3
    float d = uFogDensity * vFogDistance;
    float f = exp(-d * d);
#endif
#if FOG_MODE != 0
    colour.rgb = mix(uFogColour, colour.rgb, clamp(f, 0.0, 1.0));
#endif
    outColour = colour;
}
)";

GLuint compile(GLenum type, const char* source)
{
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    GLint ok = 0;
    emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[512] = "";
        emscripten_glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "quorvane: the WebGL %s shader does not compile: %s\n",
                     type == GL_VERTEX_SHADER ? "vertex" : "fragment", log);
        return 0;
    }
    return shader;
}

int shaderFogMode(GLenum mode)
{
    switch (mode) {
    case GL_LINEAR: return kShaderLinearFog;
    case GL_EXP: return kShaderExpFog;
    case GL_EXP2: return kShaderExp2Fog;
    default: return kShaderNoFog;
    }
}

// WebGL's unsized name of a GL 1.1 internal format given as a component count.
GLint webInternalFormat(GLint internalFormat)
{
    switch (internalFormat) {
    case 1: return GL_LUMINANCE;
    case 2: return GL_LUMINANCE_ALPHA;
    case 3: return GL_RGB;
    case 4: return GL_RGBA;
    default: return internalFormat;
    }
}

void setCapability(GLenum cap, bool on)
{
    if (on) emscripten_glEnable(cap);
    else emscripten_glDisable(cap);
}

// WebGL has no GL_CLAMP; with no border colour drawn it is GL_CLAMP_TO_EDGE.
GLint webWrap(GLint wrap) { return wrap == GL_CLAMP ? GL_CLAMP_TO_EDGE : wrap; }

}  // namespace

bool WebGlReplay::open(const char* canvasSelector)
{
    canvas = canvasSelector;
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = false;  // the page must not show through a clear with alpha 0
    attributes.depth = true;
    attributes.stencil = false;
    // GL 1.1 rasterises aliased, and so do the golden frames; the page may ask for more.
    attributes.antialias = multisampling;
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.enableExtensionsByDefault = false;
    context = emscripten_webgl_create_context(canvasSelector, &attributes);
    if (context <= 0) {
        std::fprintf(stderr, "quorvane: this browser offers no WebGL 2 on %s\n", canvasSelector);
        return false;
    }
    if (emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
        std::fprintf(stderr, "quorvane: the WebGL 2 context cannot be made current\n");
        return false;
    }
    GLint viewportLimits[2] = {0, 0}, renderbufferLimit = 0;
    emscripten_glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewportLimits);
    emscripten_glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbufferLimit);
    emscripten_glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largestTexture);
    largestBuffer = std::min(renderbufferLimit, std::min(viewportLimits[0], viewportLimits[1]));
    emscripten_glGetIntegerv(GL_SAMPLES, &bufferSamples);
    if (!buildObjects()) return false;
    opened = true;
    lost = false;
    if (bufferWidth > largestBuffer || bufferHeight > largestBuffer) {
        std::fprintf(stderr, "quorvane: WebGL draws at most %dx%d; drawing at %dx%d\n",
                     largestBuffer, largestBuffer * kStageHeight / kStageWidth, kStageWidth,
                     kStageHeight);
        bufferWidth = kStageWidth;
        bufferHeight = kStageHeight;
    }
    applyDrawingBufferSize();
    return true;
}

bool WebGlReplay::buildObjects()
{
    const GLuint vertexShader = compile(GL_VERTEX_SHADER, kVertexShader);
    if (vertexShader == 0) return false;
    for (int textured = 0; textured < 2; ++textured) {
        for (int fogMode = 0; fogMode < kShaderFogModes; ++fogMode) {
            if (!variants[textured][fogMode].build(vertexShader, textured, fogMode)) return false;
        }
    }
    current = nullptr;

    emscripten_glGenVertexArrays(1, &vertexArray);
    emscripten_glBindVertexArray(vertexArray);
    emscripten_glGenBuffers(1, &vertexBuffer);
    emscripten_glGenBuffers(1, &indexBuffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    const GLsizei stride = sizeof(RecordedVertex);
    emscripten_glEnableVertexAttribArray(kClipSlot);
    emscripten_glVertexAttribPointer(kClipSlot, 4, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(offsetof(RecordedVertex, clip)));
    emscripten_glEnableVertexAttribArray(kColourSlot);
    emscripten_glVertexAttribPointer(kColourSlot, 4, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(
                                         offsetof(RecordedVertex, colour)));
    emscripten_glEnableVertexAttribArray(kTexFogSlot);
    emscripten_glVertexAttribPointer(kTexFogSlot, 3, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(
                                         offsetof(RecordedVertex, texCoord)));
    appliedKnown = false;
    boundTexture = 0;
    return true;
}

bool WebGlReplay::ShaderVariant::build(GLuint vertexShader, int textured, int fogMode)
{
    char header[96];
    std::snprintf(header, sizeof header,
                  "#version 300 es\n#define TEXTURED %d\n#define FOG_MODE %d\n", textured, fogMode);
    const std::string source = std::string(header) + kFragmentShader;
    const GLuint fragmentShader = compile(GL_FRAGMENT_SHADER, source.c_str());
    if (fragmentShader == 0) return false;
    const GLuint linked = emscripten_glCreateProgram();
    emscripten_glAttachShader(linked, vertexShader);
    emscripten_glAttachShader(linked, fragmentShader);
    emscripten_glLinkProgram(linked);
    GLint ok = 0;
    emscripten_glGetProgramiv(linked, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[512] = "";
        emscripten_glGetProgramInfoLog(linked, sizeof log, nullptr, log);
        std::fprintf(stderr, "quorvane: the WebGL shaders do not link: %s\n", log);
        return false;
    }
    program = linked;
    emscripten_glUseProgram(program);
    emscripten_glUniform1i(emscripten_glGetUniformLocation(program, "uTexture"), 0);
    fogColourLocation = emscripten_glGetUniformLocation(program, "uFogColour");
    fogDensityLocation = emscripten_glGetUniformLocation(program, "uFogDensity");
    fogStartLocation = emscripten_glGetUniformLocation(program, "uFogStart");
    fogEndLocation = emscripten_glGetUniformLocation(program, "uFogEnd");
    uniformsKnown = false;
    return true;
}

void WebGlReplay::ShaderVariant::setFog(const RasterState& s)
{
    const bool all = !uniformsKnown;
    if (all || std::memcmp(s.fogColour, fogColour, sizeof fogColour) != 0) {
        emscripten_glUniform3f(fogColourLocation, s.fogColour[0], s.fogColour[1], s.fogColour[2]);
        std::memcpy(fogColour, s.fogColour, sizeof fogColour);
    }
    if (all || s.fogDensity != fogDensity)
        emscripten_glUniform1f(fogDensityLocation, fogDensity = s.fogDensity);
    if (all || s.fogStart != fogStart)
        emscripten_glUniform1f(fogStartLocation, fogStart = s.fogStart);
    if (all || s.fogEnd != fogEnd) emscripten_glUniform1f(fogEndLocation, fogEnd = s.fogEnd);
    uniformsKnown = true;
}

void WebGlReplay::bindWebGlTexture(GLuint name)
{
    if (name == boundTexture) return;
    emscripten_glBindTexture(GL_TEXTURE_2D, name);
    boundTexture = name;
}

GLuint WebGlReplay::prepareTexture(const TextureSnapshot& t)
{
    if (t.name >= textures.size()) textures.resize(t.name + 1);
    UploadedTexture& u = textures[t.name];
    const bool current = u.webGlName != 0 && t.image == u.image && t.minFilter == u.minFilter &&
                         t.magFilter == u.magFilter && t.wrapS == u.wrapS && t.wrapT == u.wrapT;
    if (current) return u.webGlName;
    if (u.webGlName == 0) {
        emscripten_glGenTextures(1, &u.webGlName);
        const GLuint made = u.webGlName;
        u = UploadedTexture();
        u.webGlName = made;
    }
    bindWebGlTexture(u.webGlName);
    if (t.image != u.image && t.image != nullptr) {
        const TextureImage& image = *t.image;
        emscripten_glTexImage2D(GL_TEXTURE_2D, 0, webInternalFormat(image.internalFormat),
                                image.width, image.height, 0, image.format, image.type,
                                image.pixels.data());
        u.image = t.image;
    }
    if (t.minFilter != u.minFilter)
        emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, u.minFilter = t.minFilter);
    if (t.magFilter != u.magFilter)
        emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, u.magFilter = t.magFilter);
    if (t.wrapS != u.wrapS)
        emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, webWrap(u.wrapS = t.wrapS));
    if (t.wrapT != u.wrapT)
        emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, webWrap(u.wrapT = t.wrapT));
    return u.webGlName;
}

void WebGlReplay::apply(const RasterState& s)
{
    const RasterState& a = applied;
    const bool all = !appliedKnown;
    if (all || s.depthTest != a.depthTest) setCapability(GL_DEPTH_TEST, s.depthTest);
    if (all || s.blend != a.blend) setCapability(GL_BLEND, s.blend);
    if (all || s.cullFace != a.cullFace) setCapability(GL_CULL_FACE, s.cullFace);
    if (all || s.depthMask != a.depthMask) emscripten_glDepthMask(s.depthMask);
    if (all || s.depthFunc != a.depthFunc) emscripten_glDepthFunc(s.depthFunc);
    if (all || s.blendSource != a.blendSource || s.blendDestination != a.blendDestination)
        emscripten_glBlendFunc(s.blendSource, s.blendDestination);
    if (all || s.cullMode != a.cullMode) emscripten_glCullFace(s.cullMode);
    if (all || s.frontFace != a.frontFace) emscripten_glFrontFace(s.frontFace);
    ShaderVariant& variant = variants[s.textured ? 1 : 0][shaderFogMode(s.fogMode)];
    if (&variant != current) {
        emscripten_glUseProgram(variant.program);
        current = &variant;
    }
    if (s.fogMode != 0) variant.setFog(s);
    if (all || std::memcmp(s.clearColour, a.clearColour, sizeof s.clearColour) != 0)
        emscripten_glClearColor(s.clearColour[0], s.clearColour[1], s.clearColour[2],
                                s.clearColour[3]);
    if (all || s.clearDepth != a.clearDepth) emscripten_glClearDepthf(s.clearDepth);
    if (all || std::memcmp(s.viewport, a.viewport, sizeof s.viewport) != 0) {
        emscripten_glViewport(scaleToPicture(s.viewport[0], bufferWidth, kStageWidth),
                              scaleToPicture(s.viewport[1], bufferHeight, kStageHeight),
                              scaleToPicture(s.viewport[2], bufferWidth, kStageWidth),
                              scaleToPicture(s.viewport[3], bufferHeight, kStageHeight));
    }
    applied = s;
    appliedKnown = true;
}

void WebGlReplay::replay(
    const RecordedFrame& frame,
    const std::vector<std::shared_ptr<const TextureSnapshot>>& recordedTextures)
{
    if (!usable()) return;
    drawCommands(frame);
    syncTextures(recordedTextures);
}

void WebGlReplay::drawCommands(const RecordedFrame& frame)
{
    if (!frame.indices.empty()) {
        emscripten_glBufferData(GL_ARRAY_BUFFER,
                                static_cast<long>(frame.vertices.size() * sizeof(RecordedVertex)),
                                frame.vertices.data(), GL_STREAM_DRAW);
        emscripten_glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                                static_cast<long>(frame.indices.size() * sizeof(uint32_t)),
                                frame.indices.data(), GL_STREAM_DRAW);
    }
    for (const RecordedCommand& command : frame.commands) {
        if (command.clearMask == 0 && command.indexCount == 0) continue;
        apply(command.state);
        if (command.clearMask != 0) {
            emscripten_glClear(command.clearMask);
        } else {
            if (command.state.textured && command.texture != nullptr)
                bindWebGlTexture(prepareTexture(*command.texture));
            emscripten_glDrawElements(
                GL_TRIANGLES, static_cast<GLsizei>(command.indexCount), GL_UNSIGNED_INT,
                reinterpret_cast<const void*>(command.firstIndex * sizeof(uint32_t)));
        }
    }
}

bool WebGlReplay::drawPicture(const RecordedFrame& frame, int width, int height, bool multisampled,
                              std::vector<uint8_t>* rgba)
{
    if (!usable()) {
        std::fprintf(stderr, "quorvane: no picture can be drawn while the WebGL context is lost\n");
        return false;
    }
    if (width <= 0 || height <= 0 || width * kStageHeight != height * kStageWidth ||
        width > largestBuffer || height > largestBuffer) {
        std::fprintf(stderr, "quorvane: WebGL draws a picture 4:3 and at most %dx%d, not %dx%d\n",
                     largestBuffer, largestBuffer * kStageHeight / kStageWidth, width, height);
        return false;
    }
    const int samples = multisampled ? bufferSamples : 0;
    // Drawn into the first framebuffer; a multisampled one is resolved into the second.
    GLuint framebuffers[2] = {0, 0}, renderbuffers[3] = {0, 0, 0};
    emscripten_glGenFramebuffers(2, framebuffers);
    emscripten_glGenRenderbuffers(3, renderbuffers);
    const auto attach = [width, height](GLuint framebuffer, GLuint renderbuffer, GLenum attachment,
                                        GLenum format, int count) {
        emscripten_glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
        if (count > 0) {
            emscripten_glRenderbufferStorageMultisample(GL_RENDERBUFFER, count, format, width,
                                                        height);
        } else {
            emscripten_glRenderbufferStorage(GL_RENDERBUFFER, format, width, height);
        }
        emscripten_glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        emscripten_glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER,
                                             renderbuffer);
        return emscripten_glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    };
    attach(framebuffers[0], renderbuffers[0], GL_COLOR_ATTACHMENT0, GL_RGBA8, samples);
    bool complete = attach(framebuffers[0], renderbuffers[1], GL_DEPTH_ATTACHMENT,
                           GL_DEPTH_COMPONENT24, samples);
    if (complete && samples > 0)
        complete = attach(framebuffers[1], renderbuffers[2], GL_COLOR_ATTACHMENT0, GL_RGBA8, 0);
    if (complete) {
        emscripten_glBindFramebuffer(GL_FRAMEBUFFER, framebuffers[0]);
        // The frame's viewport lands on the whole picture, as it does on the drawing buffer.
        const int shownWidth = bufferWidth, shownHeight = bufferHeight;
        bufferWidth = width;
        bufferHeight = height;
        appliedKnown = false;
        drawCommands(frame);
        bufferWidth = shownWidth;
        bufferHeight = shownHeight;
        appliedKnown = false;
        if (samples > 0) {
            emscripten_glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffers[0]);
            emscripten_glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffers[1]);
            emscripten_glBlitFramebuffer(0, 0, width, height, 0, 0, width, height,
                                         GL_COLOR_BUFFER_BIT, GL_NEAREST);
            emscripten_glBindFramebuffer(GL_FRAMEBUFFER, framebuffers[1]);
        }
        rgba->resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
        emscripten_glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba->data());
    }
    emscripten_glBindFramebuffer(GL_FRAMEBUFFER, 0);
    emscripten_glBindRenderbuffer(GL_RENDERBUFFER, 0);
    emscripten_glDeleteRenderbuffers(3, renderbuffers);
    emscripten_glDeleteFramebuffers(2, framebuffers);
    if (!complete) {
        std::fprintf(stderr, "quorvane: WebGL cannot make a %dx%d buffer for the picture\n", width,
                     height);
        return false;
    }
    // GL reads the bottom row first; an image file starts at the top. A clear's alpha is
    // not the picture's: every pixel is opaque, as on the page.
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    uint8_t* const pixels = rgba->data();
    for (size_t top = 0, bottom = static_cast<size_t>(height) - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(pixels + top * rowBytes, pixels + (top + 1) * rowBytes,
                         pixels + bottom * rowBytes);
    }
    for (size_t alpha = 3; alpha < rgba->size(); alpha += 4) pixels[alpha] = 0xff;
    return true;
}

void WebGlReplay::syncTextures(const std::vector<std::shared_ptr<const TextureSnapshot>>& recorded)
{
    for (size_t name = 0; name < recorded.size(); ++name) {
        const TextureSnapshot* texture = recorded[name].get();
        if (texture != nullptr && texture->image != nullptr) prepareTexture(*texture);
    }
    for (size_t name = 0; name < textures.size(); ++name) {
        const bool gone = name >= recorded.size() || recorded[name] == nullptr;
        if (!gone || textures[name].webGlName == 0) continue;
        // WebGL unbinds a deleted texture; keep the tracked binding truthful.
        if (boundTexture == textures[name].webGlName) boundTexture = 0;
        emscripten_glDeleteTextures(1, &textures[name].webGlName);
        textures[name] = UploadedTexture();
    }
}

void WebGlReplay::contextLost()
{
    // The objects went with the context: forget them without deleting.
    lost = true;
    for (int textured = 0; textured < 2; ++textured) {
        for (ShaderVariant& variant : variants[textured]) variant = ShaderVariant();
    }
    current = nullptr;
    textures.clear();
    vertexArray = vertexBuffer = indexBuffer = 0;
    boundTexture = 0;
    appliedKnown = false;
}

bool WebGlReplay::contextRestored(
    const std::vector<std::shared_ptr<const TextureSnapshot>>& recorded)
{
    if (!opened || !lost) return true;
    if (emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS ||
        !buildObjects()) {
        std::fprintf(stderr, "quorvane: the restored WebGL context cannot be drawn with\n");
        return false;
    }
    lost = false;
    syncTextures(recorded);
    return true;
}

bool WebGlReplay::setDrawingBufferSize(int width, int height)
{
    if (width <= 0 || height <= 0 || width * kStageHeight != height * kStageWidth) {
        std::fprintf(stderr, "quorvane: the drawing buffer takes a 4:3 size, not %dx%d\n", width,
                     height);
        return false;
    }
    if (largestBuffer > 0 && (width > largestBuffer || height > largestBuffer)) {
        std::fprintf(stderr, "quorvane: WebGL draws at most %dx%d, not %dx%d\n", largestBuffer,
                     largestBuffer * kStageHeight / kStageWidth, width, height);
        return false;
    }
    bufferWidth = width;
    bufferHeight = height;
    if (opened) applyDrawingBufferSize();
    return true;
}

void WebGlReplay::applyDrawingBufferSize()
{
    emscripten_set_canvas_element_size(canvas.c_str(), bufferWidth, bufferHeight);
    appliedKnown = false;  // the viewport is set again, scaled to the new size
}
