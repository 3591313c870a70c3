#pragma once

#include "io/InputStream.h"

#include <cstdio>

namespace io {

/// Reads a file of the application-data directory (never from the bundle).
class AppDataInputStream : public InputStream
{
public:
    /// Opens name relative to the application-data directory; throws IOException.
    explicit AppDataInputStream(const lang::String& name);
    ~AppDataInputStream() override;

    AppDataInputStream(const AppDataInputStream&) = delete;
    AppDataInputStream& operator=(const AppDataInputStream&) = delete;

    int read(void* buffer, int length) override;
    int skip(int count) override;
    bool seek(int offset, int origin) override;
    int available() const override;
    lang::String toString() const override { return m_path; }

private:
    std::FILE* m_file = nullptr;
    lang::String m_path;
};

} // namespace io
