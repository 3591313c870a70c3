#include "gr/Batch2D.h"

namespace gr {

std::vector<uint16_t> Batch2D::quadIndices(int quads)
{
    std::vector<uint16_t> indices(static_cast<size_t>(quads) * 6);
    for (int q = 0; q < quads; ++q) {
        const int v = 4 * q;
        const int corners[6] = {v, v + 1, v + 2, v + 2, v + 1, v + 3};
        for (int k = 0; k < 6; ++k)
            indices[static_cast<size_t>(6 * q + k)] = static_cast<uint16_t>(corners[k]);
    }
    return indices;
}

bool Batch2D::accepts(Mode drawMode, float width, const Texture* image, const DrawState& s) const
{
    if (isEmpty())
        return true;
    if (drawMode != mode || (drawMode == LINES && width != lineWidth) || image != texture.ptr())
        return false;
    // The clip rectangle and the fields from the first flag through the alpha factor.
    const DrawState& t = state;
    return s.clip == t.clip && s.flag0 == t.flag0 && s.value0 == t.value0 && s.value1 == t.value1 &&
           s.flag1 == t.flag1 && s.value2 == t.value2 && s.value3 == t.value3 && s.alpha == t.alpha;
}

} // namespace gr
