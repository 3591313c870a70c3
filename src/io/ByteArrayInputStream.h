#pragma once

#include "io/InputStream.h"
#include "lang/Array.h"

#include <cstdint>

namespace io {

/// Reads from its own copy of a block of memory.
class ByteArrayInputStream : public InputStream
{
public:
    /// Copies length bytes of data, or holds length zero bytes when data is null.
    ByteArrayInputStream(const void* data, int length, const lang::String& name = lang::String());
    /// Takes the bytes over without copying them.
    explicit ByteArrayInputStream(lang::Array<uint8_t>&& data, const lang::String& name = lang::String());

    /// Replaces the bytes (copied, or zeroed when data is null) and rewinds.
    void setData(const void* data, int length);

    int read(void* buffer, int length) override;
    int skip(int count) override;
    /// Always succeeds for origins 0-2; a position outside the data reads nothing.
    bool seek(int offset, int origin) override;
    int available() const override;
    lang::String toString() const override;

    const uint8_t* data() const { return m_data.begin(); }
    int size() const { return m_data.size(); }

private:
    lang::Array<uint8_t> m_data;
    int m_position = 0;
    lang::String m_name;
};

} // namespace io
