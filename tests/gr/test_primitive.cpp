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
