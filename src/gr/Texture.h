#pragma once

#include "gr/PixelFormat.h"
#include "lang/Object.h"
#include "lang/String.h"

namespace gr {

/// Pixels on the GPU with mip levels; optionally a render target.
class Texture : public lang::Object
{
public:
    /// Usage bits: 3 or 4 make a render target; 4 one drawn without the screen rotation.
    enum Usage { USAGE_RENDER_TARGET = 0x8, USAGE_UNROTATED_TARGET = 0x10 };

    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual PixelFormat format() const = 0;
    virtual int mipLevels() const = 0;
    /// The usage bits it was made with (Usage).
    virtual int usage() const { return 0; }
    /// Replaces a rectangle of a level with rows of pitch bytes in format.
    virtual void setSurface(int x, int y, const void* pixels, int pitch, int level, int width, int height,
                            PixelFormat::Type format) = 0;

    const lang::String& name() const { return m_name; }
    void setName(const lang::String& name) { m_name = name; }

private:
    lang::String m_name;
};

} // namespace gr
