#pragma once

#include <algorithm>
#include <cstdint>

namespace gr {

/// A rectangle with its origin at the top left, in pixels.
struct Rect
{
    int32_t x0 = -32000;
    int32_t y0 = -32000;
    int32_t x1 = 32000;
    int32_t y1 = 32000;

    bool operator==(const Rect& o) const { return x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1; }
    bool operator!=(const Rect& o) const { return !(*this == o); }
};

/// The 2D drawing state, copied in and out of the context whole.
///
/// The 2D batch compares the clip rectangle and the fields from flag0 through alpha to
/// decide whether two draws may share a batch; image drawing uses the matrix and pivot
/// only when angle is not 0. Fields without a name in the engine are stored and returned.
struct DrawState
{
    Rect clip;
    float m00 = 1, m01 = 0, m10 = 0, m11 = 1; ///< the rotation
    float translateX = 0, translateY = 0;
    float scaleX = 1, scaleY = 1;
    float pivotX = 0, pivotY = 0;
    float reserved0 = 0, reserved1 = 0;
    uint8_t flag0 = 1;
    int32_t value0 = 1, value1 = 5;
    uint8_t flag1 = 0;
    int32_t value2 = 0;
    float value3 = 0;
    float alpha = 1; ///< alpha factor of everything drawn
    float angle = 0; ///< rotation angle
};

/// The context's per-frame statistics: eleven counters, zeroed by the owner after each present.
struct Statistics
{
    int32_t drawCalls = 0;
    int32_t vertices = 0;
    int32_t triangles = 0;
    int32_t imageBatches = 0;
    int32_t texturesCreated = 0;
    int32_t textureBytes = 0;
    int32_t imagesCreated = 0;
    int32_t imageBytes = 0;
    int32_t stateChanges = 0;
    int32_t shaderChanges = 0;
    int32_t clears = 0;

    /// Adds to one of the byte counters, stopping at the largest count: images made from
    /// files can pass 2 GiB in a frame, and the counter must not overflow.
    static void addBytes(int32_t& counter, int64_t bytes)
    {
        counter = static_cast<int32_t>(std::min<int64_t>(INT32_MAX, counter + bytes));
    }
};

} // namespace gr
