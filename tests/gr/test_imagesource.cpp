#include "gr/Context.h"
#include "gr/GraphicsException.h"

#include "Failure.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using gr::PixelFormat;

namespace {

/// One upload a texture was given.
struct Upload
{
    int level, width, height, pitch;
    PixelFormat::Type format;
    std::vector<uint8_t> firstRow;
};

class RecordingTexture : public gr::Texture
{
public:
    RecordingTexture(int width, int height, int mipLevels, PixelFormat::Type format)
        : m_width(width), m_height(height), m_mipLevels(mipLevels), m_format(format)
    {
    }
    int width() const override { return m_width; }
    int height() const override { return m_height; }
    PixelFormat format() const override { return m_format; }
    int mipLevels() const override { return m_mipLevels; }
    void setSurface(int, int, const void* pixels, int pitch, int level, int width, int height,
                    PixelFormat::Type format) override
    {
        const auto* bytes = static_cast<const uint8_t*>(pixels);
        uploads.push_back({level, width, height, pitch, format, std::vector<uint8_t>(bytes, bytes + pitch)});
    }
    std::vector<Upload> uploads;

private:
    int m_width, m_height, m_mipLevels;
    PixelFormat m_format;
};

/// A context that makes recording textures, stored as the GL kinds store them.
class TextureContext : public gr::Context
{
public:
    int kind() const override { return KIND_GL2; }
    void present() override {}
    void clear(uint32_t, bool, bool, bool) override {}
    void flipFrontFace() override {}
    lang::Ptr<gr::Texture> createTexture(int width, int height, int mipLevels, PixelFormat::Type format, int) override
    {
        return new RecordingTexture(width, height, mipLevels, storedFormat(format));
    }

protected:
    void applyViewport(const int[4]) override {}
    void applyScissor(const int[4]) override {}
};

/// A 5 x 3 R8G8B8 file with two mips beyond the first; every byte of a level's rows is
/// the level number plus one, and the formats it was asked for are kept. The middle level is
/// held decoded, with rows padded to 8 bytes, and lent when asked for in the stored order.
std::vector<PixelFormat::Type> g_asked;

class ThreeLevels : public gr::ImageSource
{
public:
    int width() const override { return 5; }
    int height() const override { return 3; }
    int mipLevels() const override { return 3; }
    PixelFormat format() const override { return PixelFormat::R8G8B8; }
    void readSurface(void* dst, int pitch, PixelFormat::Type format) override
    {
        const int rows = std::max(1, 3 >> m_next);
        std::fill_n(static_cast<uint8_t*>(dst), static_cast<size_t>(pitch) * rows, uint8_t(m_next + 1));
        ++m_next;
        g_asked.push_back(format);
    }
    const void* surfaceAsHeld(PixelFormat::Type format, int* pitch) override
    {
        static const uint8_t middle[8] = {2, 2, 2, 2, 2, 2, 2, 2};
        if (m_next != 1 || format != PixelFormat::B8G8R8)
            return nullptr;
        ++m_next;
        *pitch = 8;
        return middle;
    }

private:
    int m_next = 0;
};

std::unique_ptr<gr::ImageSource> openThreeLevels(const lang::String& fileName)
{
    if (fileName != "three.dds")
        throw gr::GraphicsException(lang::Format("Unsupported image file format while reading {0}", fileName));
    return std::make_unique<ThreeLevels>();
}

} // namespace

TEST(ImageSource, EveryLevelIsReadInTheStoredFormatAndUploadedAtItsSize)
{
    LogCapture log;
    g_asked.clear();
    lang::Ptr<TextureContext> context = new TextureContext;
    context->setImageOpener(&openThreeLevels);
    lang::Ptr<gr::Texture> texture = context->loadTexture("three.dds");
    auto& recorded = static_cast<RecordingTexture&>(*texture);

    EXPECT_EQ(texture->name().str(), "three.dds");
    EXPECT_EQ(texture->mipLevels(), 2);
    EXPECT_EQ(texture->format().type(), PixelFormat::B8G8R8); // GL reads R8G8B8 bytes in R, G, B order
    // 5 x 3, then halved and rounded down, never below 1: 2 x 1, 1 x 1; three bytes a pixel.
    const int sizes[3][2] = {{5, 3}, {2, 1}, {1, 1}};
    ASSERT_EQ(recorded.uploads.size(), 3u);
    for (int level = 0; level < 3; ++level) {
        const Upload& upload = recorded.uploads[static_cast<size_t>(level)];
        EXPECT_EQ(upload.level, level);
        EXPECT_EQ(upload.width, sizes[level][0]);
        EXPECT_EQ(upload.height, sizes[level][1]);
        EXPECT_EQ(upload.pitch, level == 1 ? 8 : 3 * sizes[level][0]);
        EXPECT_EQ(upload.format, PixelFormat::B8G8R8);
        EXPECT_EQ(upload.firstRow, std::vector<uint8_t>(static_cast<size_t>(upload.pitch), uint8_t(level + 1)));
    }
    EXPECT_EQ(g_asked, std::vector<PixelFormat::Type>(2, PixelFormat::B8G8R8)); // the lent one is not read
    // The levels beyond the first: 2 * 1 * 3 + 1 * 1 * 3 bytes.
    EXPECT_EQ(context->statistics().textureBytes, 9);
    EXPECT_EQ(log.text(), "Loading texture three.dds: 5x3 R8G8B8 (as B8G8R8) mips: 2\n");

    log.clear();
    lang::Ptr<gr::Image> image = context->loadImage("three.dds");
    EXPECT_EQ(log.text(), "Loading image three.dds: 5x3 R8G8B8 (as 5x3 B8G8R8) mips: 2\n");
}

// Found by fuzzing fonts: the byte counters overflowed (undefined behaviour) once the images
// made between two presents passed 2 GiB, which a few large images declared by files reach.
TEST(ImageSource, StatisticsByteCountersStopAtTheLargestCountInsteadOfOverflowing)
{
    lang::Ptr<TextureContext> context = new TextureContext;
    for (int i = 0; i < 9; ++i)
        context->createImage(8192, 8192, PixelFormat::A8B8G8R8); // 256 MiB each
    EXPECT_EQ(context->statistics().imagesCreated, 9);
    EXPECT_EQ(context->statistics().imageBytes, INT32_MAX);
}

TEST(ImageSource, TheOpenersRefusalAndAMissingOpenerAreGraphicsErrors)
{
    lang::Ptr<TextureContext> context = new TextureContext;
    EXPECT_EQ(messageOf<gr::GraphicsException>([&] { context->loadTexture("three.dds"); }),
              "Textures (three.dds) are not supported by the OpenGL 2.0 renderer");
    context->setImageOpener(&openThreeLevels);
    EXPECT_EQ(messageOf<gr::GraphicsException>([&] { context->loadImage("x.gif"); }),
              "Unsupported image file format while reading x.gif");
}
