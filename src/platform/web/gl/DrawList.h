// What a frame sends to WebGL, collected until the frame is presented: the transformed,
// lit vertices of every primitive in one array, their triangles in one index array, and a
// short list of clears and draws, each with the rasterisation state it needs. Primitives
// under the same state share one draw, so the terrain's thousands of strips cost WebGL a
// single call. Replaying uploads both arrays once and sets only the state that changed.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <cstring>
#include <vector>

// The state WebGL rasterises a primitive or clears under.
struct RasterState {
    bool depthTest = false;        // GL_DEPTH_TEST
    bool blend = false;            // GL_BLEND
    bool cullFace = false;         // GL_CULL_FACE
    bool textured = false;         // GL_TEXTURE_2D on and the bound texture complete
    GLboolean depthMask = GL_TRUE;  // depth writes
    GLenum depthFunc = GL_LESS;
    GLenum blendSource = GL_ONE;
    GLenum blendDestination = GL_ZERO;
    GLenum cullMode = GL_BACK;     // which faces culling removes
    GLenum frontFace = GL_CCW;     // the winding of front faces
    GLenum fogMode = 0;            // GL_LINEAR, GL_EXP or GL_EXP2; 0 while fog is off
    GLuint texture = 0;            // the WebGL texture bound to GL_TEXTURE_2D
    float fogColour[3] = {0.0f, 0.0f, 0.0f};
    float fogDensity = 1.0f;
    float fogStart = 0.0f;
    float fogEnd = 1.0f;
    float clearColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float clearDepth = 1.0f;
    GLint viewport[4] = {0, 0, 0, 0};  // x, y, width, height
};

bool operator==(const RasterState& a, const RasterState& b);
inline bool operator!=(const RasterState& a, const RasterState& b) { return !(a == b); }

// One vertex as the shaders take it: everything per-vertex is already computed.
struct DrawVertex {
    float clip[4];      // clip-space position
    float colour[4];    // lit (or current) colour, clamped
    float texCoord[2];  // s, t
    float fogDistance;  // eye-space distance the fog factor is computed from
};

class DrawList {
public:
    // Makes the WebGL 2 context, the shaders and the buffers; false after one message.
    bool open(const char* canvasSelector);
    bool isOpen() const { return opened; }

    // Starts a primitive drawn under `state`; `stateMayDiffer` false promises the state is
    // the one of the previous primitive. Returns false when nothing is to be recorded.
    bool beginPrimitive(const RasterState& state, bool stateMayDiffer);

    // The next vertex of the open primitive, given what it is computed from: its object
    // position and texture coordinate, under the transform and colour of `inputsEpoch`.
    // When the frame already holds a vertex made from the same inputs, that one is used
    // again and the result is null; otherwise the caller fills in the slot returned. The
    // terrain's neighbouring strips share their edges, so it has a quarter of the vertices.
    DrawVertex* vertexFor(float x, float y, float z, float s, float t)
    {
        const uint32_t key[kKeyWords] = {bitsOf(x), bitsOf(y), bitsOf(z), bitsOf(s), bitsOf(t), inputsEpoch};
        uint32_t hash = 2166136261u;
        for (uint32_t word : key) hash = (hash ^ word) * 16777619u;
        CacheEntry& entry = cache[(hash ^ (hash >> 15)) & (kCacheSize - 1)];
        bool same = true;
        for (int i = 0; i < kKeyWords; ++i) same = same && entry.key[i] == key[i];
        if (same) {
            primitive.push_back(entry.index);
            return nullptr;
        }
        for (int i = 0; i < kKeyWords; ++i) entry.key[i] = key[i];
        entry.index = static_cast<uint32_t>(vertices.size());
        primitive.push_back(entry.index);
        vertices.emplace_back();
        return &vertices.back();
    }
    // Turns the open primitive's vertices into triangles as GL assembles `mode`.
    void endPrimitive(GLenum mode);

    // Advanced whenever what vertices are computed from changes, besides their own
    // position and texture coordinate: the matrices, the colour, the lighting.
    uint32_t inputsEpoch = 1;
    void clear(GLbitfield mask, const RasterState& state);

    // Sends everything recorded to WebGL and starts an empty list.
    void flush();

    // Texture objects are changed at once (after a flush, so recorded draws see the old
    // contents); these bind through the state tracking so replays stay consistent.
    void bindTextureNow(GLuint texture);
    void forgetTexture(GLuint texture);

    bool hidden = false;  // frames being skipped: drawing and clearing are dropped

private:
    struct Command {
        RasterState state;
        GLbitfield clearMask;  // non-zero: a clear; zero: a draw of the index range below
        uint32_t firstIndex;
        uint32_t indexCount;
    };

    static constexpr int kKeyWords = 6;
    static constexpr uint32_t kCacheSize = 4096;  // a power of two
    struct CacheEntry {
        uint32_t key[kKeyWords];  // x, y, z, s, t as bits, then the epoch; epoch 0 matches nothing
        uint32_t index;           // the vertex made from them
    };
    static uint32_t bitsOf(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return bits;
    }

    void apply(const RasterState& state);
    void setCapability(GLenum cap, bool on);

    std::vector<DrawVertex> vertices;  // this frame's vertices
    std::vector<uint32_t> indices;     // this frame's triangles, three indices each
    std::vector<Command> commands;     // this frame's clears and draws, in order
    std::vector<uint32_t> primitive;   // the open primitive's vertices, as indices
    std::vector<uint8_t> outcodes;     // per vertex: the clip planes it lies outside of
    std::vector<CacheEntry> cache = std::vector<CacheEntry>(kCacheSize);  // recent vertices by inputs

    RasterState applied;         // what WebGL currently has
    bool appliedKnown = false;   // false until the first apply sets every field
    // One linked program per texturing and fog mode; each keeps the fog uniforms it was given.
    struct ShaderVariant {
        bool build(GLuint vertexShader, int textured, int fogMode);
        void setFog(const RasterState& state);
        GLuint program = 0;
        GLint fogColourLocation = -1;
        GLint fogDensityLocation = -1;
        GLint fogStartLocation = -1;
        GLint fogEndLocation = -1;
        bool uniformsKnown = false;  // false until setFog has set all four
        float fogColour[3] = {};
        float fogDensity = 0.0f;
        float fogStart = 0.0f;
        float fogEnd = 0.0f;
    };
    static constexpr int kShaderFogModes = 4;  // none, linear, exp, exp2
    ShaderVariant variants[2][kShaderFogModes];  // [textured][fog mode]
    ShaderVariant* current = nullptr;            // the program in use
    bool opened = false;                         // open has succeeded
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
};

extern DrawList gDrawList;
