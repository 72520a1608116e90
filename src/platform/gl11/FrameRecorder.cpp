#include "platform/gl11/FrameRecorder.h"

#include <cstring>
#include <utility>

namespace {

// Room for a whole frame of the show (the terrain alone is 11,776 vertices) from the start.
constexpr size_t kReservedVertices = 65536;
constexpr size_t kReservedIndices = 98304;
constexpr size_t kReservedCommands = 64;
constexpr size_t kReservedPrimitive = 1024;

// One bit per clip plane the vertex lies outside of.
uint8_t outcodeOf(const RecordedVertex& v)
{
    const float x = v.clip[0], y = v.clip[1], z = v.clip[2], w = v.clip[3];
    return static_cast<uint8_t>((x < -w) | (x > w) << 1 | (y < -w) << 2 | (y > w) << 3 |
                                (z < -w) << 4 | (z > w) << 5);
}

// The winding culling removes under `state`: GL_CW, GL_CCW, GL_FRONT_AND_BACK for every
// triangle, or 0 for none.
GLenum culledWindingOf(const RasterState& state)
{
    if (!state.cullFace) return 0;
    if (state.cullMode == GL_FRONT_AND_BACK) return GL_FRONT_AND_BACK;
    const bool backIsClockwise = state.frontFace == GL_CCW;
    return (state.cullMode == GL_BACK) == backIsClockwise ? GL_CW : GL_CCW;
}

}  // namespace

bool operator==(const RasterState& a, const RasterState& b)
{
    return a.depthTest == b.depthTest && a.blend == b.blend && a.cullFace == b.cullFace &&
           a.textured == b.textured && a.depthMask == b.depthMask && a.depthFunc == b.depthFunc &&
           a.blendSource == b.blendSource && a.blendDestination == b.blendDestination &&
           a.cullMode == b.cullMode && a.frontFace == b.frontFace && a.fogMode == b.fogMode &&
           a.texture == b.texture &&
           std::memcmp(a.fogColour, b.fogColour, sizeof a.fogColour) == 0 &&
           a.fogDensity == b.fogDensity && a.fogStart == b.fogStart && a.fogEnd == b.fogEnd &&
           std::memcmp(a.clearColour, b.clearColour, sizeof a.clearColour) == 0 &&
           a.clearDepth == b.clearDepth &&
           std::memcmp(a.viewport, b.viewport, sizeof a.viewport) == 0;
}

FrameRecorder::FrameRecorder()
{
    frame.vertices.reserve(kReservedVertices);
    outcodes.reserve(kReservedVertices);
    frame.indices.reserve(kReservedIndices);
    frame.commands.reserve(kReservedCommands);
    primitive.reserve(kReservedPrimitive);
}

void FrameRecorder::beginPrimitive(const RasterState& state, bool stateMayDiffer,
                                   const std::shared_ptr<const TextureSnapshot>& texture)
{
    primitive.clear();
    std::vector<RecordedCommand>& commands = frame.commands;
    const bool extendLast =
        !commands.empty() && commands.back().clearMask == 0 &&
        (!stateMayDiffer || (commands.back().state == state && commands.back().texture == texture));
    if (!extendLast) {
        commands.push_back(
            RecordedCommand{state, 0, static_cast<uint32_t>(frame.indices.size()), 0, texture});
        culledWinding = culledWindingOf(state);
    }
}

void FrameRecorder::triangle(uint32_t a, uint32_t b, uint32_t c)
{
    const uint32_t ia = primitive[a], ib = primitive[b], ic = primitive[c];
    // A triangle wholly outside one clip plane is clipped away entirely: no replay need
    // see it. Much of the terrain lies beyond the edges of the picture.
    if (outcodes[ia] & outcodes[ib] & outcodes[ic]) return;
    if (culledWinding != 0) {
        if (culledWinding == GL_FRONT_AND_BACK) return;
        const float* p = frame.vertices[ia].clip;
        const float* q = frame.vertices[ib].clip;
        const float* r = frame.vertices[ic].clip;
        // In front of the eye (every w positive) the winding on screen is the sign of this
        // determinant; a triangle reaching behind it is left to the replay's own culling.
        if (p[3] > 0.0f && q[3] > 0.0f && r[3] > 0.0f) {
            const double det = double(p[0]) * (double(q[1]) * r[3] - double(q[3]) * r[1]) -
                               double(p[1]) * (double(q[0]) * r[3] - double(q[3]) * r[0]) +
                               double(p[3]) * (double(q[0]) * r[1] - double(q[1]) * r[0]);
            if (det == 0.0) return;  // no area: no pixel to draw
            if ((det > 0.0 ? GL_CCW : GL_CW) == culledWinding) return;
        }
    }
    frame.indices.push_back(ia);
    frame.indices.push_back(ib);
    frame.indices.push_back(ic);
}

void FrameRecorder::endPrimitive(GLenum mode)
{
    const uint32_t count = static_cast<uint32_t>(primitive.size());
    const size_t before = frame.indices.size();
    for (size_t i = outcodes.size(); i < frame.vertices.size(); ++i)
        outcodes.push_back(outcodeOf(frame.vertices[i]));
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
    default: break;  // points and lines: the demo draws none
    }
    frame.commands.back().indexCount += static_cast<uint32_t>(frame.indices.size() - before);
}

void FrameRecorder::clear(GLbitfield mask, const RasterState& state)
{
    frame.commands.push_back(RecordedCommand{state, mask, 0, 0, nullptr});
}

void FrameRecorder::startFrame()
{
    frame.clear();
    outcodes.clear();
    ++inputsEpoch;  // the cached vertices are gone
}

void FrameRecorder::startFrame(RecordedFrame* kept)
{
    std::swap(frame, *kept);
    startFrame();
}
