// A frame as the recorder leaves it for a replay: the transformed, lit vertices of every
// primitive in one array, their visible triangles in one index array, and the clears and
// draws in order, each with the rasterisation state it needs. Plain data, so a replay can
// upload it and a test can read it.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <memory>
#include <vector>

// The state a primitive is rasterised or a clear is made under.
struct RasterState {
    bool depthTest = false;             // GL_DEPTH_TEST
    bool blend = false;                 // GL_BLEND
    bool cullFace = false;              // GL_CULL_FACE
    bool textured = false;              // GL_TEXTURE_2D on and the bound texture complete
    GLboolean depthMask = GL_TRUE;      // depth writes
    GLenum depthFunc = GL_LESS;         // glDepthFunc
    GLenum blendSource = GL_ONE;        // glBlendFunc's source factor
    GLenum blendDestination = GL_ZERO;  // glBlendFunc's destination factor
    GLenum cullMode = GL_BACK;          // which faces culling removes
    GLenum frontFace = GL_CCW;          // the winding of front faces
    GLenum fogMode = 0;                 // GL_LINEAR, GL_EXP or GL_EXP2; 0 while fog is off
    GLuint texture = 0;                 // the recorder's texture name bound while textured, else 0
    float fogColour[3] = {0.0f, 0.0f, 0.0f};          // clamped GL_FOG_COLOR; fog keeps alpha
    float fogDensity = 1.0f;                          // GL_FOG_DENSITY
    float fogStart = 0.0f;                            // GL_FOG_START
    float fogEnd = 1.0f;                              // GL_FOG_END
    float clearColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};  // clamped glClearColor
    float clearDepth = 1.0f;                          // clamped glClearDepth
    GLint viewport[4] = {0, 0, 0, 0};  // x, y, width, height, in the demo's window pixels
};

bool operator==(const RasterState& a, const RasterState& b);
inline bool operator!=(const RasterState& a, const RasterState& b) { return !(a == b); }

// One vertex as a replay's shaders take it: everything per-vertex is already computed.
struct RecordedVertex {
    float clip[4];      // clip-space position
    float colour[4];    // lit (or current) colour, clamped
    float texCoord[2];  // s, t
    float fogDistance;  // eye-space distance the fog factor is computed from
};

// A texture's level-0 image as glTexImage2D gave it. Rows are padded to 4 bytes, GL's
// initial unpack alignment, which WebGL shares.
struct TextureImage {
    GLsizei width = 0;               // in texels
    GLsizei height = 0;              // in texels
    GLint internalFormat = 0;        // as given: a component count or a format name
    GLenum format = GL_RGBA;         // of the pixels below
    GLenum type = GL_UNSIGNED_BYTE;  // of the pixels below
    std::vector<uint8_t> pixels;     // bottom row first, rows padded
};

// One texture object as it stands at one moment. Never changed once made: a change makes
// a new one, so draws recorded earlier keep sampling what they were drawn with, and a
// replay can rebuild every texture after the context is lost.
struct TextureSnapshot {
    GLuint name = 0;                             // the recorder's texture name
    std::shared_ptr<const TextureImage> image;   // null until a level-0 image is given
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR;  // GL's initial minification filter
    GLint magFilter = GL_LINEAR;                 // GL_TEXTURE_MAG_FILTER
    GLint wrapS = GL_REPEAT;                     // GL_TEXTURE_WRAP_S
    GLint wrapT = GL_REPEAT;                     // GL_TEXTURE_WRAP_T
};

// A clear or a draw of a range of the frame's triangles.
struct RecordedCommand {
    RasterState state;     // what it is made under
    GLbitfield clearMask;  // non-zero: a clear of these buffers; zero: a draw
    uint32_t firstIndex;   // a draw's first index into RecordedFrame::indices
    uint32_t indexCount;   // a draw's index count, three per triangle
    std::shared_ptr<const TextureSnapshot> texture;  // what a textured draw samples
};

struct RecordedFrame {
    std::vector<RecordedVertex> vertices;   // every vertex of the frame, shared where equal
    std::vector<uint32_t> indices;          // the visible triangles, three indices each
    std::vector<RecordedCommand> commands;  // clears and draws, in the order made

    void clear()
    {
        vertices.clear();
        indices.clear();
        commands.clear();
    }
};
