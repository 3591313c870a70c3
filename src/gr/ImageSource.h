#pragma once

#include "gr/PixelFormat.h"
#include "lang/String.h"

#include <memory>

namespace gr {

/// An image file opened for upload: its header already read, its surfaces (the image, or
/// each mip level in turn) handed out one at a time in the format the caller asks for.
///
/// The decoders sit above this layer and implement it; the context only sees this side, so
/// that building textures stays portable without the renderer knowing any file format.
class ImageSource
{
public:
    /// Opens fileName and reads its header. Throws GraphicsException, or the stream's
    /// exception when the file can't be read.
    using Opener = std::unique_ptr<ImageSource> (*)(const lang::String& fileName);

    virtual ~ImageSource() = default;

    virtual int width() const = 0;
    virtual int height() const = 0;
    /// Levels in the file, the full-size one included: 1 for a file without mips.
    virtual int mipLevels() const = 0;
    /// The format the file stores its pixels in.
    virtual PixelFormat format() const = 0;
    /// Fills the next surface into dst (rows of pitch bytes, top row first) in format.
    virtual void readSurface(void* dst, int pitch, PixelFormat::Type format) = 0;
    /// The next surface's pixels where the source already holds them decoded in format (its
    /// row pitch in *pitch), moving past it: the upload then needs no copy of its own. Null,
    /// with nothing moved, when the surface has to be read or converted by readSurface.
    virtual const void* surfaceAsHeld(PixelFormat::Type /*format*/, int* /*pitch*/) { return nullptr; }
};

} // namespace gr
