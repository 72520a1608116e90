// Primitive assembly, culling and batching: the vertices of each primitive become the
// frame's triangles. A vertex made from the same inputs as one already in the frame is
// used again, triangles no pixel of which can show are left out (wholly outside one clip
// plane, or culled as back or front faces), and primitives under the same state share one
// draw, so the terrain's thousands of strips make a single draw.
#pragma once

#include "platform/gl11/RecordedFrame.h"

#include <cstdint>
#include <cstring>
#include <vector>

class FrameRecorder {
public:
    FrameRecorder();

    // Starts a primitive drawn under `state`, sampling `texture` when it is textured;
    // `stateMayDiffer` false promises both are those of the previous primitive.
    void beginPrimitive(const RasterState& state, bool stateMayDiffer,
                        const std::shared_ptr<const TextureSnapshot>& texture);

    // The next vertex of the open primitive, given what it is computed from: its object
    // position and texture coordinate, under the transform and colour of `inputsEpoch`.
    // When the frame already holds a vertex made from the same inputs, that one is used
    // again and the result is null; otherwise the caller fills in the slot returned. The
    // terrain's neighbouring strips share their edges, so it has a quarter of the vertices.
    RecordedVertex* vertexFor(float x, float y, float z, float s, float t)
    {
        const uint32_t key[kKeyWords] = {bitsOf(x), bitsOf(y), bitsOf(z),
                                         bitsOf(s), bitsOf(t), inputsEpoch};
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
        entry.index = static_cast<uint32_t>(frame.vertices.size());
        primitive.push_back(entry.index);
        frame.vertices.emplace_back();
        return &frame.vertices.back();
    }
    // Turns the open primitive's vertices into triangles as GL assembles `mode`.
    void endPrimitive(GLenum mode);

    // Advanced whenever what vertices are computed from changes, besides their own
    // position and texture coordinate: the matrices, the colour, the lighting.
    uint32_t inputsEpoch = 1;
    void clear(GLbitfield mask, const RasterState& state);

    // What has been recorded since the last startFrame.
    const RecordedFrame& recorded() const { return frame; }
    // Empties the frame for the next one.
    void startFrame();
    // The same, handing the frame just recorded to *kept first (in exchange for what *kept
    // held, so neither allocates again once both have grown).
    void startFrame(RecordedFrame* kept);

private:
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
    void triangle(uint32_t a, uint32_t b, uint32_t c);

    RecordedFrame frame;              // what has been recorded
    std::vector<uint32_t> primitive;  // the open primitive's vertices, as indices
    std::vector<uint8_t> outcodes;    // per vertex: the clip planes it lies outside of
    std::vector<CacheEntry> cache =
        std::vector<CacheEntry>(kCacheSize);  // recent vertices by inputs
    GLenum culledWinding = 0;  // the open primitive's culled winding: GL_CW, GL_CCW, or 0 for none
};
