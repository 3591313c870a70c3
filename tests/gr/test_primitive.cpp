#include "gr/Primitive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace gr;

TEST(VertexFormat, SizesFollowTheAlignments)
{
    VertexFormat format;
    format.set(DT_POSITION, DF_V3_32).set(DT_DIFFUSE, DF_V4_8);
    EXPECT_EQ(format.vertexSize(), 16);
    format.setVertexAlignment(32);
    EXPECT_EQ(format.vertexSize(), 32);

    VertexFormat packed;
    packed.set(DT_POSITION, DF_V3_16).set(DT_TEX0, DF_V2_8);
    EXPECT_EQ(packed.vertexSize(), 8);
    packed.setComponentAlignment(4);
    EXPECT_EQ(packed.componentSize(DT_POSITION), 8);
    EXPECT_EQ(packed.vertexSize(), 12);

    // Neighbouring types share a byte: setting one leaves the other alone.
    EXPECT_EQ(format.format(DT_DIFFUSE), DF_V4_8);
    format.set(DT_NORMAL, DF_V3_16F);
    EXPECT_EQ(format.format(DT_DIFFUSE), DF_V4_8);
    EXPECT_EQ(format.format(DT_NORMAL), DF_V3_16F);
}

TEST(VertexFormat, TextureSetsFillInOrderAndEqualityIgnoresAlignment)
{
    VertexFormat format;
    for (int i = 0; i < 5; ++i)
        format.addTextureCoordinates(i == 4 ? DF_V4_32 : DF_V2_32);
    for (int set = DT_TEX0; set <= DT_TEX3; ++set)
        EXPECT_EQ(format.format(set), DF_V2_32);

    VertexFormat other = format;
    other.setVertexAlignment(16);
    EXPECT_EQ(format, other);
    other.set(DT_TANGENT, DF_V3_32);
    EXPECT_NE(format, other);
}

TEST(Primitive, ConversionsBetweenStoredAndGivenFormats)
{
    VertexFormat format;
    format.set(DT_POSITION, DF_V3_16F).set(DT_DIFFUSE, DF_V4_8).set(DT_TEX0, DF_V4_5);
    Primitive primitive;
    primitive.allocate(format, 3, 0);

    const float positions[] = {1.5f, -2.0f, 0.25f, 9, 65504.0f, 1e9f, 0, 0};
    primitive.setPositions(1, positions, 2);
    std::vector<float> out(12);
    primitive.getVertexData(DT_POSITION, 0, out.data(), 3);
    EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 4), std::vector<float>(4, 0.0f)); // untouched vertex
    EXPECT_FLOAT_EQ(out[4], 1.5f);
    EXPECT_FLOAT_EQ(out[5], -2.0f);
    EXPECT_FLOAT_EQ(out[6], 0.25f);
    EXPECT_EQ(out[7], 0.0f); // a three-component store has no w
    EXPECT_FLOAT_EQ(out[8], 65504.0f);
    EXPECT_TRUE(std::isinf(out[9]));

    const float packed[] = {31, 7, 40, 1};
    primitive.setTexCoords(0, 0, packed, 1);
    primitive.getVertexData(DT_TEX0, 0, out.data(), 1);
    EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 4), (std::vector<float>{31, 7, 8, 1})); // 40 keeps 5 bits

    // Writes past the end are cut off; absent types and negative starts are ignored.
    const float colours[] = {1, 2, 3, 4, 5, 6, 7, 8};
    primitive.setDiffuse(2, colours, 2);
    primitive.getVertexData(DT_DIFFUSE, 2, out.data(), 5);
    EXPECT_EQ(out[3], 4.0f);
    primitive.setVertexData(DT_NORMAL, 0, colours, DF_V4_32, 1);
    primitive.setVertexData(DT_DIFFUSE, -1, colours, DF_V4_32, 1);
    EXPECT_EQ(primitive.vertexArray(DT_NORMAL, nullptr), nullptr);
    int stride = 0;
    ASSERT_NE(primitive.vertexArray(DT_DIFFUSE, &stride), nullptr);
    EXPECT_EQ(stride, 4);
}

TEST(Primitive, IndicesKeepTheirLowSixteenBits)
{
    VertexFormat format;
    format.set(DT_POSITION, DF_V2_32);
    Primitive primitive(Primitive::TRIANGLE_STRIP);
    primitive.allocate(format, 4, 6);
    EXPECT_EQ(primitive.indexEnd(), 6);

    const uint32_t wide[] = {1, 0x10002, 3};
    const uint8_t narrow[] = {200, 255};
    primitive.setIndices(0, wide, 4, 3);
    primitive.setIndices(4, narrow, 1, 5); // only two fit
    primitive.setIndices(0, wide, 8, 1);   // no such width: nothing written
    std::vector<int32_t> out(6, -1);
    primitive.getIndices(0, out.data(), 6);
    EXPECT_EQ(out, (std::vector<int32_t>{1, 2, 3, 0, 200, 255}));

    Primitive unindexed;
    unindexed.allocate(format, 4, 0);
    EXPECT_EQ(unindexed.indexArray(), nullptr);
    unindexed.setIndices(0, wide, 4, 3);
}

TEST(Primitive, BonePaletteHoldsOnlyWeightedBones)
{
    VertexFormat format;
    format.set(DT_POSITION, DF_V3_32).set(DT_BONEWEIGHTS, DF_V2_32).set(DT_BONEINDICES, DF_V4_8);
    Primitive primitive;
    primitive.allocate(format, 2, 0);
    const float weights[] = {0.75f, 0.25f, 0, 0, 1, 0, 0, 0};
    const float bones[] = {9, 3, 0, 0, 9, 40, 0, 0}; // bone 40 has no weight, nor do the unstored slots
    primitive.setVertexData(DT_BONEWEIGHTS, 0, weights, DF_V4_32, 2);
    primitive.setVertexData(DT_BONEINDICES, 0, bones, DF_V4_32, 2);
    primitive.buildBonePalette();

    EXPECT_EQ(primitive.bonePalette(), (std::vector<uint8_t>{3, 9}));
    std::vector<float> out(8);
    primitive.getVertexData(DT_BONEINDICES, 0, out.data(), 2);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_EQ(out[4], 1.0f);
}

namespace {

/// One triangle per entry, centred on (x, 0, z): the corners' x spread keeps the centroid.
gr::Primitive triangles(const std::vector<float>& centres, int maxIndices)
{
    gr::VertexFormat format;
    format.set(gr::DT_POSITION, gr::DF_V3_32).set(gr::DT_SPECULAR, gr::DF_S_32);
    gr::Primitive primitive;
    primitive.allocate(format, static_cast<int>(centres.size()) / 2 * 3, maxIndices);
    for (size_t t = 0; t < centres.size() / 2; ++t) {
        const float x = centres[2 * t], z = centres[2 * t + 1];
        const float corners[12] = {x - 1, -1, z, 1, x + 1, -1, z, 1, x, 2, z, 1};
        const float tag[12] = {float(t), 0, 0, 0, float(t), 0, 0, 0, float(t), 0, 0, 0};
        primitive.setPositions(static_cast<int>(3 * t), corners, 3);
        primitive.setVertexData(gr::DT_SPECULAR, static_cast<int>(3 * t), tag, gr::DF_V4_32, 3);
    }
    return primitive;
}

std::vector<int> triangleOrder(const gr::Primitive& primitive)
{
    std::vector<int> order;
    if (primitive.maxIndices() > 0) {
        std::vector<int32_t> indices(static_cast<size_t>(primitive.maxIndices()));
        primitive.getIndices(0, indices.data(), primitive.maxIndices());
        for (size_t i = 0; i < indices.size(); i += 3)
            order.push_back(indices[i] / 3);
    } else {
        std::vector<float> tags(static_cast<size_t>(primitive.maxVertices()) * 4);
        primitive.getVertexData(gr::DT_SPECULAR, 0, tags.data(), primitive.maxVertices());
        for (size_t v = 0; v < tags.size(); v += 12)
            order.push_back(static_cast<int>(tags[v]));
    }
    return order;
}

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
const float kCamera[3] = {0, 0, 0};

} // namespace

TEST(Primitive, TrianglesSortByDistanceInEachMode)
{
    const std::vector<float> centres = {0, 1, 0, 9, 0, 4, 0, 6}; // z 1, 9, 4, 6: box centre z 5
    gr::Primitive indexed = triangles(centres, 12);
    const int32_t straight[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    indexed.setIndices(0, straight, 4, 12);

    indexed.sortTriangles(1, kCamera, kIdentity, nullptr, 0);
    EXPECT_EQ(triangleOrder(indexed), (std::vector<int>{1, 3, 2, 0}));
    indexed.sortTriangles(2, kCamera, kIdentity, nullptr, 0);
    EXPECT_EQ(triangleOrder(indexed), (std::vector<int>{0, 2, 3, 1}));
    indexed.sortTriangles(3, kCamera, kIdentity, nullptr, 0); // 4 and 6 are 1 from the centre, stably kept
    EXPECT_EQ(triangleOrder(indexed), (std::vector<int>{2, 3, 0, 1}));
    indexed.sortTriangles(4, kCamera, kIdentity, nullptr, 0);
    EXPECT_EQ(triangleOrder(indexed), (std::vector<int>{0, 1, 2, 3}));

    // Without indices the vertices move, with every data type.
    gr::Primitive plain = triangles(centres, 0);
    plain.sortTriangles(1, kCamera, kIdentity, nullptr, 0);
    EXPECT_EQ(triangleOrder(plain), (std::vector<int>{1, 3, 2, 0}));
    std::vector<float> first(4);
    plain.getVertexData(gr::DT_POSITION, 0, first.data(), 1);
    EXPECT_EQ(first[2], 9.0f);

    // The world matrix moves the triangles past the camera: z 1 becomes the farthest.
    const float behind[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, -20, 0, 0, 0, 1};
    gr::Primitive moved = triangles(centres, 0);
    moved.sortTriangles(1, kCamera, behind, nullptr, 0);
    EXPECT_EQ(triangleOrder(moved), (std::vector<int>{0, 2, 3, 1}));
}

TEST(Primitive, SkinnedTrianglesSortWhereTheirBonesPutThem)
{
    gr::VertexFormat format;
    format.set(gr::DT_POSITION, gr::DF_V3_32).set(gr::DT_BONEWEIGHTS, gr::DF_S_32).set(gr::DT_BONEINDICES, gr::DF_V4_8);
    gr::Primitive primitive;
    primitive.allocate(format, 6, 6);
    const float positions[24] = {0, 0, 1, 1, 1, 0, 1, 1, 0, 1, 1, 1, 0, 0, 2, 1, 1, 0, 2, 1, 0, 1, 2, 1};
    const float weights[24] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    const float bones[24] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    primitive.setPositions(0, positions, 6);
    primitive.setVertexData(gr::DT_BONEWEIGHTS, 0, weights, gr::DF_V4_32, 6);
    primitive.setVertexData(gr::DT_BONEINDICES, 0, bones, gr::DF_V4_32, 6);
    const int32_t straight[6] = {0, 1, 2, 3, 4, 5};
    primitive.setIndices(0, straight, 4, 6);

    // Bone 1 carries the first triangle far away; bone 0 leaves the second where it is.
    float matrices[32] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 50, 0, 0, 0, 1};
    primitive.sortTriangles(1, kCamera, kIdentity, matrices, 2);
    std::vector<int32_t> indices(6);
    primitive.getIndices(0, indices.data(), 6);
    EXPECT_EQ(indices[0], 0); // first triangle, now at z 51, is the farthest
    primitive.sortTriangles(2, kCamera, kIdentity, matrices, 1); // bone 1 missing: its weight counts for nothing
    primitive.getIndices(0, indices.data(), 6);
    EXPECT_EQ(indices[0], 0);
}
