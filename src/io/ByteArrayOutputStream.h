#pragma once

#include "io/OutputStream.h"
#include "lang/Array.h"

#include <cstdint>

namespace io {

/// Appends to a growable block of memory; never fails.
class ByteArrayOutputStream : public OutputStream
{
public:
    void write(const void* data, int length) override;
    lang::String toString() const override { return "ByteArrayOutputStream"; }

    const uint8_t* data() const { return m_data.begin(); }
    int size() const { return m_data.size(); }
    /// The bytes written so far.
    lang::String toBytes() const { return lang::String(reinterpret_cast<const char*>(m_data.begin()), m_data.size()); }
    void reset() { m_data.clear(); }

private:
    lang::Array<uint8_t> m_data;
};

} // namespace io
