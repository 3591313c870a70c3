#include "gr/GraphicsException.h"
#include "img/ImageFile.h"
#include "io/IOException.h"

#include "Failure.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

using gr::PixelFormat;

TEST(ImageFile, OpensByTheNamesExtensionAndHandsOutItsSurface)
{
    // A 2 x 1 top-down 32-bit TGA: B, G, R, A per pixel.
    std::string tga(18, '\0');
    tga[2] = 2, tga[12] = 2, tga[14] = 1, tga[16] = 32, tga[17] = 0x28;
    tga += std::string{10, 20, 30, 40, 50, 60, 70, 80};
    TempDir dir;
    dir.write("pair.TGA", tga);

    std::unique_ptr<gr::ImageSource> file = img::ImageFile::open(lang::String(dir / "pair.TGA"));
    EXPECT_EQ(file->width(), 2);
    EXPECT_EQ(file->height(), 1);
    EXPECT_EQ(file->mipLevels(), 1);
    EXPECT_EQ(file->format().type(), PixelFormat::A8R8G8B8);
    std::string rgba(8, '\0');
    file->readSurface(&rgba[0], 8, PixelFormat::A8B8G8R8);
    EXPECT_EQ(rgba, (std::string{30, 20, 10, 40, 70, 60, 50, 80}));
}

TEST(ImageFile, AMissingFileFailsToOpenAndAnUnknownTypeIsRefused)
{
    TempDir dir;
    EXPECT_EQ(messageOf<io::IOException>([&] { img::ImageFile::open(lang::String(dir / "none.png")); }),
              "Failed to open " + (dir / "none.png"));
    dir.write("sprite.gif", "GIF89a");
    EXPECT_EQ(messageOf<gr::GraphicsException>([&] { img::ImageFile::open(lang::String(dir / "sprite.gif")); }),
              "Unsupported image file format while reading " + (dir / "sprite.gif"));
}
