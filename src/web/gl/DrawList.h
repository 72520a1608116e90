// What a frame sends to WebGL, collected until the frame is presented: the transformed,
// lit vertices of every primitive in one array, their triangles in one index array, and a
// short list of clears and draws, each with the rasterisation state it needs. Primitives
// under the same state share one draw, so the terrain's thousands of strips cost WebGL a
// single call. Replaying uploads both arrays once and sets only the state that changed.
#pragma once

#include <GL/gl.h>

#include <cstdint>
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
    bool isOpen() const { return program != 0; }

    // Starts a primitive drawn under `state`; `stateMayDiffer` false promises the state is
    // the one of the previous primitive. Returns false when nothing is to be recorded.
    bool beginPrimitive(const RasterState& state, bool stateMayDiffer);
    DrawVertex& addVertex()
    {
        vertices.emplace_back();
        return vertices.back();
    }
    // Turns the vertices added since beginPrimitive into triangles as GL assembles `mode`.
    void endPrimitive(GLenum mode);
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

    void apply(const RasterState& state);
    void setCapability(GLenum cap, bool on);

    std::vector<DrawVertex> vertices;  // this frame's vertices
    std::vector<uint32_t> indices;     // this frame's triangles, three indices each
    std::vector<Command> commands;     // this frame's clears and draws, in order
    uint32_t primitiveFirstVertex = 0;  // where the open primitive's vertices start

    RasterState applied;         // what WebGL currently has
    bool appliedKnown = false;   // false until the first apply sets every field
    GLuint program = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    GLint texturedLocation = -1;
    GLint fogModeLocation = -1;
    GLint fogColourLocation = -1;
    GLint fogDensityLocation = -1;
    GLint fogStartLocation = -1;
    GLint fogEndLocation = -1;
};

extern DrawList gDrawList;
