#pragma once

#include "gr/ImageSource.h"
#include "img/ImageReader.h"
#include "io/FileInputStream.h"

#include <memory>

namespace img {

/// An image file open for a texture upload: the file's stream and the reader over it, as
/// the context's image opener hands them out.
class ImageFile : public gr::ImageSource
{
public:
    /// The opener to install in a gr::Context: opens fileName and reads its header, the
    /// decoder chosen by the name's extension. Throws io::IOException when the file can't be
    /// opened, gr::GraphicsException when it isn't a readable image.
    static std::unique_ptr<gr::ImageSource> open(const lang::String& fileName);

    explicit ImageFile(const lang::String& fileName);

    int width() const override { return m_reader.width(); }
    int height() const override { return m_reader.height(); }
    int mipLevels() const override { return m_reader.mipLevels(); }
    gr::PixelFormat format() const override { return m_reader.format(); }
    void readSurface(void* dst, int pitch, gr::PixelFormat::Type format) override
    {
        m_reader.readSurface(dst, pitch, format);
    }

private:
    io::FileInputStream m_in;
    ImageReader m_reader; ///< reads m_in, so it comes after it
};

} // namespace img
