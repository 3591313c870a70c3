#pragma once

#include "io/InputStream.h"

namespace io {

/// Passes every operation to an inner stream.
class FilterInputStream : public InputStream
{
public:
    /// inner is not owned: the caller keeps it alive for the life of the filter.
    explicit FilterInputStream(InputStream* inner) : m_inner(inner) {}

    int read(void* buffer, int length) override { return m_inner->read(buffer, length); }
    int skip(int count) override { return m_inner->skip(count); }
    bool seek(int offset, int origin) override { return m_inner->seek(offset, origin); }
    int available() const override { return m_inner->available(); }
    lang::String toString() const override { return m_inner->toString(); }

protected:
    InputStream* m_inner;
};

} // namespace io
