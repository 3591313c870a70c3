// Images decoded ahead on another thread read exactly as their files do, a file the thread
// could not read fails the ordinary way when it is asked for, and what the start-up never
// asked for is named.

#include "gr/GraphicsException.h"
#include "img/ImageFile.h"
#include "img/ImagePrefetch.h"
#include "img/PngWriter.h"
#include "io/IOException.h"

#include "Failure.h"
#include "LogCapture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using gr::PixelFormat;
using img::ImagePrefetch;

namespace {

std::string surface(gr::ImageSource& source, PixelFormat::Type format)
{
    const int pitch = static_cast<int>(PixelFormat::rowPitch(format, source.width()));
    std::string pixels(static_cast<size_t>(pitch * source.height()), '\0');
    source.readSurface(&pixels[0], pitch, format);
    return pixels;
}

class Prefetch : public ::testing::Test
{
protected:
    TempDir dir;
    LogCapture log;

    void SetUp() override
    {
        const uint8_t rgba[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
        img::PngWriter::write(lang::String(dir / "three.png"), 3, 2, rgba);
        // A 2 x 1 top-down 32-bit TGA, B G R A: the texture asks for another channel order.
        std::string tga(18, '\0');
        tga[2] = 2, tga[12] = 2, tga[14] = 1, tga[16] = 32, tga[17] = 0x28;
        dir.write("pair.tga", tga + std::string{10, 20, 30, 40, 50, 60, 70, 80});
    }
    void TearDown() override { ImagePrefetch::finish(); }
};

TEST_F(Prefetch, ADecodedImageReadsAsItsFileInAnyFormat)
{
    ImagePrefetch::start({dir / "three.png", dir / "pair.tga"});
    ImagePrefetch::waitForThread();
    // Gone from the disk: what open() hands out now can only come from the thread.
    std::remove((dir / "three.png").c_str());
    std::remove((dir / "pair.tga").c_str());
    std::unique_ptr<gr::ImageSource> png = ImagePrefetch::open(lang::String(dir / "three.png"));
    std::unique_ptr<gr::ImageSource> tga = ImagePrefetch::open(lang::String(dir / "pair.tga"));
    ImagePrefetch::finish();
    EXPECT_EQ(log.text().find("Preloaded image"), std::string::npos) << log.text();

    EXPECT_EQ(png->width(), 3);
    EXPECT_EQ(png->height(), 2);
    EXPECT_EQ(png->mipLevels(), 1);
    EXPECT_EQ(surface(*png, PixelFormat::A8B8G8R8), std::string({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
                                                                 16, 17, 18, 19, 20, 21, 22, 23, 24}));
    EXPECT_EQ(tga->format().type(), PixelFormat::A8R8G8B8); // the file's, so the context picks as before
    EXPECT_EQ(surface(*tga, PixelFormat::A8B8G8R8), (std::string{30, 20, 10, 40, 70, 60, 50, 80}));

    // Each is handed out once; the next open reads the file, which is gone.
    EXPECT_THROW(ImagePrefetch::open(lang::String(dir / "three.png")), io::IOException);
}

TEST_F(Prefetch, AHeldSurfaceIsLentOnlyInTheFormatItIsStoredIn)
{
    ImagePrefetch::start({dir / "three.png", dir / "pair.tga"});
    ImagePrefetch::waitForThread();
    std::unique_ptr<gr::ImageSource> png = ImagePrefetch::open(lang::String(dir / "three.png"));
    std::unique_ptr<gr::ImageSource> tga = ImagePrefetch::open(lang::String(dir / "pair.tga"));
    ImagePrefetch::finish();

    int pitch = 0;
    const auto* held = static_cast<const char*>(png->surfaceAsHeld(PixelFormat::A8B8G8R8, &pitch));
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(pitch, 12);
    EXPECT_EQ(std::string(held, 24), std::string({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                                                  20, 21, 22, 23, 24}));
    // Another channel order has to be converted: nothing is lent and the surface is still next.
    EXPECT_EQ(tga->surfaceAsHeld(PixelFormat::A8B8G8R8, &pitch), nullptr);
    EXPECT_EQ(surface(*tga, PixelFormat::A8B8G8R8), (std::string{30, 20, 10, 40, 70, 60, 50, 80}));
    // A file read without the prefetch lends nothing either.
    EXPECT_EQ(img::ImageFile::open(lang::String(dir / "three.png"))->surfaceAsHeld(PixelFormat::A8B8G8R8, &pitch),
              nullptr);
}

TEST_F(Prefetch, AFileTheThreadCouldNotReadFailsAsItsFileDoes)
{
    dir.write("broken.png", "\x89PNG\r\n\x1a\n and then nothing");
    ImagePrefetch::start({dir / "missing.png", dir / "broken.png", dir / "three.png"});
    ImagePrefetch::waitForThread();
    const std::string missing = messageOf<io::IOException>([&] { img::ImageFile::open(lang::String(dir / "missing.png")); });
    EXPECT_EQ(messageOf<io::IOException>([&] { ImagePrefetch::open(lang::String(dir / "missing.png")); }), missing);
    EXPECT_THROW(surface(*ImagePrefetch::open(lang::String(dir / "broken.png")), PixelFormat::A8B8G8R8),
                 gr::GraphicsException);
    // A name said another way is the same file.
    EXPECT_EQ(ImagePrefetch::open(lang::String(dir.path() + "/./sub/../three.png"))->width(), 3);
    ImagePrefetch::finish();
}

TEST_F(Prefetch, WhatTheStartUpNeverAskedForIsNamed)
{
    ImagePrefetch::start({dir / "three.png", dir / "pair.tga"});
    EXPECT_EQ(ImagePrefetch::open(lang::String(dir / "pair.tga"))->width(), 2);
    ImagePrefetch::finish();
    EXPECT_NE(log.text().find("Preloaded image " + (dir / "three.png") + " was not loaded during the start-up\n"),
              std::string::npos)
        << log.text();
    EXPECT_EQ(log.text().find("pair.tga was not loaded"), std::string::npos) << log.text();
    // Without a prefetch, open() is ImageFile::open().
    EXPECT_EQ(ImagePrefetch::open(lang::String(dir / "three.png"))->height(), 2);
}

} // namespace
