#include "gr/VertexFormat.h"

namespace gr {

namespace {

const int kSizes[DF_COUNT] = {0, 4, 2, 1, 8, 4, 2, 12, 6, 3, 16, 8, 4, 2, 4, 6, 8};
const int kComponents[DF_COUNT] = {0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 4, 2, 3, 4};

int roundUp(int value, int multiple)
{
    return multiple > 1 ? (value + multiple - 1) / multiple * multiple : value;
}

} // namespace

VertexFormat& VertexFormat::addTextureCoordinates(VertexDataFormat format)
{
    for (int type = DT_TEX0; type <= DT_TEX3; ++type)
        if (!has(type))
            return set(type, format);
    return *this;
}

int VertexFormat::formatSize(VertexDataFormat format)
{
    return format >= 0 && format < DF_COUNT ? kSizes[format] : 0;
}

int VertexFormat::formatComponents(VertexDataFormat format)
{
    return format >= 0 && format < DF_COUNT ? kComponents[format] : 0;
}

int VertexFormat::componentSize(int type) const
{
    return roundUp(formatSize(format(type)), componentAlignment());
}

int VertexFormat::vertexSize() const
{
    int size = 0;
    for (int type = 0; type < DT_COUNT; ++type)
        size += componentSize(type);
    return roundUp(size, vertexAlignment());
}

} // namespace gr
