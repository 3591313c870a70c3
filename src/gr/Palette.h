#pragma once

#include "gr/PixelFormat.h"
#include "lang/Array.h"
#include "lang/Object.h"

#include <cstdint>

namespace gr {

/// A colour table of 4-byte A8R8G8B8 entries.
class Palette : public lang::Object
{
public:
    explicit Palette(int count);

    int entryCount() const { return m_count; }
    /// Converts count colours from format into entries first onwards (clipped to the table).
    void setEntries(int first, const void* colours, int count, PixelFormat::Type format);
    /// Converts count entries from first onwards into format.
    void getEntries(int first, void* colours, int count, PixelFormat::Type format) const;

private:
    int m_count;
    lang::Array<uint8_t> m_entries;
};

} // namespace gr
