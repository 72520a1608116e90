#include "platform/web/gl/DrawList.h"

#include "platform/web/gl/WebGlCalls.h"

#include <emscripten/html5.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

DrawList gDrawList;

namespace {

// Room for a whole frame of the show (the terrain alone is 11,776 vertices) from the start.
constexpr size_t kReservedVertices = 65536;
constexpr size_t kReservedIndices = 98304;
constexpr size_t kReservedCommands = 64;
constexpr size_t kReservedPrimitive = 1024;

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

// One bit per clip plane the vertex lies outside of.
uint8_t outcodeOf(const DrawVertex& v)
{
    const float x = v.clip[0], y = v.clip[1], z = v.clip[2], w = v.clip[3];
    return static_cast<uint8_t>((x < -w) | (x > w) << 1 | (y < -w) << 2 | (y > w) << 3 |
                                (z < -w) << 4 | (z > w) << 5);
}

}  // namespace

bool operator==(const RasterState& a, const RasterState& b)
{
    return a.depthTest == b.depthTest && a.blend == b.blend && a.cullFace == b.cullFace &&
           a.textured == b.textured && a.depthMask == b.depthMask &&
           a.depthFunc == b.depthFunc && a.blendSource == b.blendSource &&
           a.blendDestination == b.blendDestination && a.cullMode == b.cullMode &&
           a.frontFace == b.frontFace && a.fogMode == b.fogMode && a.texture == b.texture &&
           std::memcmp(a.fogColour, b.fogColour, sizeof a.fogColour) == 0 &&
           a.fogDensity == b.fogDensity && a.fogStart == b.fogStart && a.fogEnd == b.fogEnd &&
           std::memcmp(a.clearColour, b.clearColour, sizeof a.clearColour) == 0 &&
           a.clearDepth == b.clearDepth &&
           std::memcmp(a.viewport, b.viewport, sizeof a.viewport) == 0;
}

bool DrawList::open(const char* canvasSelector)
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = false;      // the page must not show through a clear with alpha 0
    attributes.depth = true;
    attributes.stencil = false;
    attributes.antialias = false;  // GL 1.1 rasterises aliased, and so do the golden frames
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.enableExtensionsByDefault = false;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context(canvasSelector, &attributes);
    if (context <= 0) {
        std::fprintf(stderr, "quorvane: this browser offers no WebGL 2 on %s\n", canvasSelector);
        return false;
    }
    if (emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
        std::fprintf(stderr, "quorvane: the WebGL 2 context cannot be made current\n");
        return false;
    }

    const GLuint vertexShader = compile(GL_VERTEX_SHADER, kVertexShader);
    if (vertexShader == 0) return false;
    for (int textured = 0; textured < 2; ++textured) {
        for (int fogMode = 0; fogMode < kShaderFogModes; ++fogMode) {
            if (!variants[textured][fogMode].build(vertexShader, textured, fogMode)) return false;
        }
    }
    current = nullptr;

    GLuint vertexArray = 0;
    emscripten_glGenVertexArrays(1, &vertexArray);
    emscripten_glBindVertexArray(vertexArray);
    emscripten_glGenBuffers(1, &vertexBuffer);
    emscripten_glGenBuffers(1, &indexBuffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    const GLsizei stride = sizeof(DrawVertex);
    emscripten_glEnableVertexAttribArray(kClipSlot);
    emscripten_glVertexAttribPointer(kClipSlot, 4, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(offsetof(DrawVertex, clip)));
    emscripten_glEnableVertexAttribArray(kColourSlot);
    emscripten_glVertexAttribPointer(kColourSlot, 4, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(offsetof(DrawVertex, colour)));
    emscripten_glEnableVertexAttribArray(kTexFogSlot);
    emscripten_glVertexAttribPointer(kTexFogSlot, 3, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(offsetof(DrawVertex, texCoord)));

    vertices.reserve(kReservedVertices);
    outcodes.reserve(kReservedVertices);
    indices.reserve(kReservedIndices);
    commands.reserve(kReservedCommands);
    primitive.reserve(kReservedPrimitive);
    appliedKnown = false;
    opened = true;
    return true;
}

bool DrawList::ShaderVariant::build(GLuint vertexShader, int textured, int fogMode)
{
    char header[96];
    std::snprintf(header, sizeof header, "#version 300 es\n#define TEXTURED %d\n#define FOG_MODE %d\n",
                  textured, fogMode);
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

void DrawList::ShaderVariant::setFog(const RasterState& s)
{
    const bool all = !uniformsKnown;
    if (all || std::memcmp(s.fogColour, fogColour, sizeof fogColour) != 0) {
        emscripten_glUniform3f(fogColourLocation, s.fogColour[0], s.fogColour[1], s.fogColour[2]);
        std::memcpy(fogColour, s.fogColour, sizeof fogColour);
    }
    if (all || s.fogDensity != fogDensity) emscripten_glUniform1f(fogDensityLocation, fogDensity = s.fogDensity);
    if (all || s.fogStart != fogStart) emscripten_glUniform1f(fogStartLocation, fogStart = s.fogStart);
    if (all || s.fogEnd != fogEnd) emscripten_glUniform1f(fogEndLocation, fogEnd = s.fogEnd);
    uniformsKnown = true;
}

bool DrawList::beginPrimitive(const RasterState& state, bool stateMayDiffer)
{
    if (hidden || !isOpen()) return false;
    primitive.clear();
    const bool extendLast = !commands.empty() && commands.back().clearMask == 0 &&
                            (!stateMayDiffer || commands.back().state == state);
    if (!extendLast) {
        commands.push_back(Command{state, 0, static_cast<uint32_t>(indices.size()), 0});
    }
    return true;
}

void DrawList::endPrimitive(GLenum mode)
{
    const uint32_t count = static_cast<uint32_t>(primitive.size());
    const size_t before = indices.size();
    for (size_t i = outcodes.size(); i < vertices.size(); ++i) outcodes.push_back(outcodeOf(vertices[i]));
    auto triangle = [this](uint32_t a, uint32_t b, uint32_t c) {
        // A triangle wholly outside one clip plane is clipped away entirely: WebGL need
        // not see it. Much of the terrain lies beyond the edges of the picture.
        if (outcodes[primitive[a]] & outcodes[primitive[b]] & outcodes[primitive[c]]) return;
        indices.push_back(primitive[a]);
        indices.push_back(primitive[b]);
        indices.push_back(primitive[c]);
    };
    switch (mode) {
    case GL_TRIANGLES:
        for (uint32_t i = 0; i + 2 < count; i += 3) triangle(i, i + 1, i + 2);
        break;
    case GL_TRIANGLE_STRIP:
        // Every other triangle swaps its first two vertices so that all keep the winding
        // of the first, as GL orders them for culling.
        for (uint32_t i = 0; i + 2 < count; ++i) {
            if (i % 2 == 0) triangle(i, i + 1, i + 2);
            else triangle(i + 1, i, i + 2);
        }
        break;
    case GL_TRIANGLE_FAN:
    case GL_POLYGON:
        for (uint32_t i = 1; i + 1 < count; ++i) triangle(0, i, i + 1);
        break;
    case GL_QUADS:
        for (uint32_t i = 0; i + 3 < count; i += 4) {
            triangle(i, i + 1, i + 2);
            triangle(i, i + 2, i + 3);
        }
        break;
    case GL_QUAD_STRIP:
        for (uint32_t i = 0; i + 3 < count; i += 2) {
            triangle(i, i + 1, i + 3);
            triangle(i, i + 3, i + 2);
        }
        break;
    default:
        break;  // points and lines: the demo draws none
    }
    commands.back().indexCount += static_cast<uint32_t>(indices.size() - before);
}

void DrawList::clear(GLbitfield mask, const RasterState& state)
{
    if (hidden || !isOpen()) return;
    commands.push_back(Command{state, mask, 0, 0});
}

void DrawList::setCapability(GLenum cap, bool on)
{
    if (on) emscripten_glEnable(cap);
    else emscripten_glDisable(cap);
}

void DrawList::apply(const RasterState& s)
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
    if (all || s.texture != a.texture) emscripten_glBindTexture(GL_TEXTURE_2D, s.texture);
    ShaderVariant& variant = variants[s.textured ? 1 : 0][shaderFogMode(s.fogMode)];
    if (&variant != current) {
        emscripten_glUseProgram(variant.program);
        current = &variant;
    }
    if (s.fogMode != 0) variant.setFog(s);
    if (all || std::memcmp(s.clearColour, a.clearColour, sizeof s.clearColour) != 0)
        emscripten_glClearColor(s.clearColour[0], s.clearColour[1], s.clearColour[2], s.clearColour[3]);
    if (all || s.clearDepth != a.clearDepth) emscripten_glClearDepthf(s.clearDepth);
    if (all || std::memcmp(s.viewport, a.viewport, sizeof s.viewport) != 0)
        emscripten_glViewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
    applied = s;
    appliedKnown = true;
}

void DrawList::flush()
{
    if (commands.empty()) return;
    if (!indices.empty()) {
        emscripten_glBufferData(GL_ARRAY_BUFFER, static_cast<long>(vertices.size() * sizeof(DrawVertex)),
                                vertices.data(), GL_STREAM_DRAW);
        emscripten_glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<long>(indices.size() * sizeof(uint32_t)),
                                indices.data(), GL_STREAM_DRAW);
    }
    for (const Command& command : commands) {
        if (command.clearMask == 0 && command.indexCount == 0) continue;
        apply(command.state);
        if (command.clearMask != 0) {
            emscripten_glClear(command.clearMask);
        } else {
            emscripten_glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(command.indexCount),
                                      GL_UNSIGNED_INT,
                                      reinterpret_cast<const void*>(command.firstIndex * sizeof(uint32_t)));
        }
    }
    vertices.clear();
    outcodes.clear();
    indices.clear();
    commands.clear();
    ++inputsEpoch;  // the cached vertices are gone
}

void DrawList::bindTextureNow(GLuint texture)
{
    if (appliedKnown && applied.texture == texture) return;
    emscripten_glBindTexture(GL_TEXTURE_2D, texture);
    applied.texture = texture;
}

void DrawList::forgetTexture(GLuint texture)
{
    // WebGL unbinds a deleted texture; keep the tracked binding truthful.
    if (applied.texture == texture) applied.texture = 0;
}
