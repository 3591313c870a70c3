#include "gr/Primitive.h"

#include "gr/Context.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace gr {

namespace {

/// Truncates towards zero into the int range; NaN gives 0.
int truncated(float value)
{
    if (!(value == value))
        return 0;
    return value >= 2147483520.0f ? INT32_MAX : value <= -2147483648.0f ? INT32_MIN : static_cast<int>(value);
}

float fromHalf(uint16_t h)
{
    const int sign = h >> 15, exponent = (h >> 10) & 0x1f, mantissa = h & 0x3ff;
    float v = exponent == 0 ? std::ldexp(float(mantissa), -24)
              : exponent == 31 ? (mantissa ? NAN : INFINITY) : std::ldexp(float(mantissa | 0x400), exponent - 25);
    return sign ? -v : v;
}

uint16_t toHalf(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    const uint16_t sign = static_cast<uint16_t>((bits >> 16) & 0x8000);
    const int exponent = static_cast<int>((bits >> 23) & 0xff) - 112;
    if (exponent >= 31)
        return sign | 0x7c00;
    if (exponent <= 0)
        return sign;
    return static_cast<uint16_t>(sign | exponent << 10 | (bits & 0x7fffff) >> 13);
}

/// One element of a format as four floats (integers as they are, missing components 0).
void readElement(VertexDataFormat format, const uint8_t* p, float out[4])
{
    out[0] = out[1] = out[2] = out[3] = 0;
    const int n = VertexFormat::formatComponents(format);
    switch (format) {
    case DF_S_32: case DF_V2_32: case DF_V3_32: case DF_V4_32:
        std::memcpy(out, p, static_cast<size_t>(n) * 4);
        break;
    case DF_S_16: case DF_V2_16: case DF_V3_16: case DF_V4_16:
        for (int i = 0; i < n; ++i) {
            int16_t v;
            std::memcpy(&v, p + 2 * i, 2);
            out[i] = v;
        }
        break;
    case DF_S_8: case DF_V2_8: case DF_V3_8: case DF_V4_8:
        for (int i = 0; i < n; ++i)
            out[i] = static_cast<int8_t>(p[i]);
        break;
    case DF_V2_16F: case DF_V3_16F: case DF_V4_16F:
        for (int i = 0; i < n; ++i) {
            uint16_t h;
            std::memcpy(&h, p + 2 * i, 2);
            out[i] = fromHalf(h);
        }
        break;
    case DF_V4_5: {
        uint16_t v;
        std::memcpy(&v, p, 2);
        out[0] = v & 0x1f, out[1] = (v >> 5) & 0x1f, out[2] = (v >> 10) & 0x1f, out[3] = (v >> 15) & 1;
        break;
    }
    default:
        break;
    }
}

void writeElement(VertexDataFormat format, uint8_t* p, const float in[4])
{
    const int n = VertexFormat::formatComponents(format);
    switch (format) {
    case DF_S_32: case DF_V2_32: case DF_V3_32: case DF_V4_32:
        std::memcpy(p, in, static_cast<size_t>(n) * 4);
        break;
    case DF_S_16: case DF_V2_16: case DF_V3_16: case DF_V4_16:
        for (int i = 0; i < n; ++i) {
            const int16_t v = static_cast<int16_t>(static_cast<uint16_t>(truncated(in[i])));
            std::memcpy(p + 2 * i, &v, 2);
        }
        break;
    case DF_S_8: case DF_V2_8: case DF_V3_8: case DF_V4_8:
        for (int i = 0; i < n; ++i)
            p[i] = static_cast<uint8_t>(truncated(in[i]));
        break;
    case DF_V2_16F: case DF_V3_16F: case DF_V4_16F:
        for (int i = 0; i < n; ++i) {
            const uint16_t h = toHalf(in[i]);
            std::memcpy(p + 2 * i, &h, 2);
        }
        break;
    case DF_V4_5: {
        const uint16_t v = static_cast<uint16_t>((truncated(in[0]) & 0x1f) | (truncated(in[1]) & 0x1f) << 5 |
                                                 (truncated(in[2]) & 0x1f) << 10 | (in[3] != 0 ? 0x8000 : 0));
        std::memcpy(p, &v, 2);
        break;
    }
    default:
        break;
    }
}

/// m (row-major, translation in the last column) applied to the point p.
void transformPoint(const float* m, const float p[3], float out[3])
{
    for (int row = 0; row < 3; ++row)
        out[row] = m[4 * row] * p[0] + m[4 * row + 1] * p[1] + m[4 * row + 2] * p[2] + m[4 * row + 3];
}

} // namespace

void Primitive::render()
{
    if (m_context)
        m_context->drawPrimitive(*this);
}

void Primitive::sortTriangles(int mode, const float camera[3], const float world[16], const float* bones, int boneCount)
{
    const bool indexed = m_maxIndices > 0;
    const int triangles = (indexed ? m_maxIndices : m_maxVertices) / 3;
    if (mode < 1 || mode > 4 || triangles < 1 || !m_format.has(DT_POSITION))
        return;

    // Every vertex where it stands in the world.
    std::vector<float> positions(static_cast<size_t>(m_maxVertices) * 4);
    getVertexData(DT_POSITION, 0, positions.data(), m_maxVertices);
    const bool skinned = bones && boneCount > 0 && m_format.has(DT_BONEWEIGHTS) && m_format.has(DT_BONEINDICES);
    std::vector<float> weights, indices;
    if (skinned) {
        weights.resize(positions.size()), indices.resize(positions.size());
        getVertexData(DT_BONEWEIGHTS, 0, weights.data(), m_maxVertices);
        getVertexData(DT_BONEINDICES, 0, indices.data(), m_maxVertices);
    }
    for (int v = 0; v < m_maxVertices; ++v) {
        float* p = &positions[static_cast<size_t>(v) * 4];
        float moved[3] = {0, 0, 0};
        if (skinned) {
            for (int k = 0; k < 4; ++k) {
                const float w = weights[static_cast<size_t>(v) * 4 + k];
                const int bone = truncated(indices[static_cast<size_t>(v) * 4 + k]);
                if (w <= 0 || bone < 0 || bone >= boneCount)
                    continue;
                float part[3];
                transformPoint(bones + 16 * bone, p, part);
                for (int i = 0; i < 3; ++i)
                    moved[i] += w * part[i];
            }
        } else {
            transformPoint(world, p, moved);
        }
        std::copy(moved, moved + 3, p);
    }

    float reference[3] = {camera[0], camera[1], camera[2]};
    if (mode >= 3 && m_maxVertices > 0) {
        float low[3], high[3];
        for (int i = 0; i < 3; ++i)
            low[i] = high[i] = positions[static_cast<size_t>(i)];
        for (int v = 1; v < m_maxVertices; ++v)
            for (int i = 0; i < 3; ++i) {
                low[i] = std::min(low[i], positions[static_cast<size_t>(v) * 4 + i]);
                high[i] = std::max(high[i], positions[static_cast<size_t>(v) * 4 + i]);
            }
        for (int i = 0; i < 3; ++i)
            reference[i] = (low[i] + high[i]) / 2;
    }

    uint16_t* index = indexed ? reinterpret_cast<uint16_t*>(m_data.data() + m_offsets[DT_COUNT]) : nullptr;
    auto vertexOf = [&](int corner) { return indexed ? std::min<int>(index[corner], m_maxVertices - 1) : corner; };
    std::vector<float> keys(static_cast<size_t>(triangles));
    for (int t = 0; t < triangles; ++t) {
        float centroid[3] = {0, 0, 0};
        for (int c = 0; c < 3; ++c)
            for (int i = 0; i < 3; ++i)
                centroid[i] += positions[static_cast<size_t>(vertexOf(3 * t + c)) * 4 + i] / 3;
        float squared = 0;
        for (int i = 0; i < 3; ++i)
            squared += (centroid[i] - reference[i]) * (centroid[i] - reference[i]);
        keys[static_cast<size_t>(t)] = squared; // squares keep the order of distances
    }
    std::vector<int> order(static_cast<size_t>(triangles));
    std::iota(order.begin(), order.end(), 0);
    const bool descending = mode == 1 || mode == 4;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return descending ? keys[static_cast<size_t>(a)] > keys[static_cast<size_t>(b)]
                          : keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
    });

    if (indexed) {
        std::vector<uint16_t> sorted(static_cast<size_t>(triangles) * 3);
        for (int t = 0; t < triangles; ++t)
            std::copy(index + 3 * order[static_cast<size_t>(t)], index + 3 * order[static_cast<size_t>(t)] + 3, &sorted[static_cast<size_t>(t) * 3]);
        std::copy(sorted.begin(), sorted.end(), index);
        return;
    }
    // Without indices the triangles' vertices themselves move, every data type alike.
    for (int type = 0; type < DT_COUNT; ++type) {
        if (m_offsets[type] < 0)
            continue;
        const size_t triangleBytes = 3 * static_cast<size_t>(m_format.componentSize(type));
        uint8_t* array = m_data.data() + m_offsets[type];
        std::vector<uint8_t> sorted(triangleBytes * static_cast<size_t>(triangles));
        for (int t = 0; t < triangles; ++t)
            std::memcpy(&sorted[triangleBytes * static_cast<size_t>(t)], array + triangleBytes * static_cast<size_t>(order[static_cast<size_t>(t)]), triangleBytes);
        std::memcpy(array, sorted.data(), sorted.size());
    }
}

void Primitive::allocate(const VertexFormat& format, int maxVertices, int maxIndices)
{
    m_format = format;
    m_maxVertices = std::max(0, maxVertices);
    m_maxIndices = std::max(0, maxIndices);
    size_t offset = 64;
    for (int type = 0; type < DT_COUNT; ++type) {
        m_offsets[type] = format.has(type) ? static_cast<int>(offset) : -1;
        if (format.has(type))
            offset += static_cast<size_t>(format.componentSize(type)) * static_cast<size_t>(m_maxVertices);
    }
    m_offsets[DT_COUNT] = m_maxIndices > 0 ? static_cast<int>(offset) : -1;
    offset += 2 * static_cast<size_t>(m_maxIndices);
    m_data.assign(offset, 0);
    m_vertexBegin = 0, m_vertexEnd = m_maxVertices;
    m_indexBegin = 0, m_indexEnd = m_maxIndices;
}

const uint8_t* Primitive::vertexArray(int type, int* stride) const
{
    if (type < 0 || type >= DT_COUNT || m_offsets[type] < 0)
        return nullptr;
    if (stride)
        *stride = m_format.componentSize(type);
    return m_data.data() + m_offsets[type];
}

const uint16_t* Primitive::indexArray() const
{
    return m_offsets[DT_COUNT] < 0 ? nullptr : reinterpret_cast<const uint16_t*>(m_data.data() + m_offsets[DT_COUNT]);
}

void Primitive::setVertexData(int type, int first, const void* source, VertexDataFormat sourceFormat, int count)
{
    if (type < 0 || type >= DT_COUNT || m_offsets[type] < 0 || first < 0)
        return;
    count = std::min(count, m_maxVertices - first);
    const VertexDataFormat stored = m_format.format(type);
    const int stride = m_format.componentSize(type), sourceSize = VertexFormat::formatSize(sourceFormat);
    uint8_t* dst = m_data.data() + m_offsets[type] + static_cast<size_t>(first) * stride;
    const uint8_t* src = static_cast<const uint8_t*>(source);
    if (stored == sourceFormat && stride == sourceSize && count > 0) {
        std::memcpy(dst, src, static_cast<size_t>(count) * static_cast<size_t>(stride));
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (stored == sourceFormat) {
            std::memcpy(dst + i * stride, src + i * sourceSize, static_cast<size_t>(sourceSize));
        } else {
            float element[4];
            readElement(sourceFormat, src + i * sourceSize, element);
            writeElement(stored, dst + i * stride, element);
        }
    }
}

void Primitive::getVertexData(int type, int first, float* out, int count) const
{
    if (type < 0 || type >= DT_COUNT || m_offsets[type] < 0 || first < 0)
        return;
    count = std::min(count, m_maxVertices - first);
    const int stride = m_format.componentSize(type);
    for (int i = 0; i < count; ++i)
        readElement(m_format.format(type), m_data.data() + m_offsets[type] + static_cast<size_t>(first + i) * stride, out + 4 * i);
}

void Primitive::setIndices(int first, const void* source, int width, int count)
{
    if (m_offsets[DT_COUNT] < 0 || first < 0 || (width != 1 && width != 2 && width != 4))
        return;
    count = std::min(count, m_maxIndices - first);
    auto* indices = reinterpret_cast<uint16_t*>(m_data.data() + m_offsets[DT_COUNT]);
    const uint8_t* src = static_cast<const uint8_t*>(source);
    for (int i = 0; i < count; ++i) {
        uint32_t value = 0;
        std::memcpy(&value, src + static_cast<size_t>(i) * width, static_cast<size_t>(width));
        indices[first + i] = static_cast<uint16_t>(value);
    }
}

void Primitive::getIndices(int first, int32_t* out, int count) const
{
    const uint16_t* indices = indexArray();
    if (!indices || first < 0)
        return;
    count = std::min(count, m_maxIndices - first);
    for (int i = 0; i < count; ++i)
        out[i] = indices[first + i];
}

void Primitive::buildBonePalette()
{
    if (!m_format.has(DT_BONEINDICES))
        return;
    std::vector<float> weights(static_cast<size_t>(m_maxVertices) * 4, 1.0f), bones(static_cast<size_t>(m_maxVertices) * 4);
    getVertexData(DT_BONEWEIGHTS, 0, weights.data(), m_maxVertices);
    getVertexData(DT_BONEINDICES, 0, bones.data(), m_maxVertices);
    bool used[256] = {};
    for (size_t i = 0; i < bones.size(); ++i)
        if (weights[i] > 0 && bones[i] >= 0 && bones[i] < 256)
            used[static_cast<int>(bones[i])] = true;
    int position[256] = {};
    m_bonePalette.clear();
    for (int bone = 0; bone < 256 && m_bonePalette.size() < 255; ++bone)
        if (used[bone]) {
            position[bone] = static_cast<int>(m_bonePalette.size());
            m_bonePalette.push_back(static_cast<uint8_t>(bone));
        }
    for (float& bone : bones)
        bone = bone >= 0 && bone < 256 ? static_cast<float>(position[static_cast<int>(bone)]) : 0;
    setVertexData(DT_BONEINDICES, 0, bones.data(), DF_V4_32, m_maxVertices);
}

} // namespace gr
