#pragma once

#include "io/InputStream.h"

#include <cstdio>

namespace io {

/// Reads a file, or the window of a bundle entry when the installed FileBundle holds the
/// name exactly. Messages name the file as the caller gave it, also inside a bundle.
class FileInputStream : public InputStream
{
public:
    /// Opens name; throws IOException "Failed to open {0}" (or "Failed to seek {0}").
    explicit FileInputStream(const lang::String& name);
    ~FileInputStream() override;

    FileInputStream(const FileInputStream&) = delete;
    FileInputStream& operator=(const FileInputStream&) = delete;

    int read(void* buffer, int length) override;
    int skip(int count) override;
    bool seek(int offset, int origin) override;
    int available() const override;
    lang::String toString() const override { return m_name; }

private:
    std::FILE* m_file = nullptr;
    lang::String m_name;
    long m_start = 0;
    int m_size = 0;
    int m_remaining = -1; ///< bytes left in a bundle entry; -1 for a plain file

    bool inBundle() const { return m_remaining >= 0; }
};

} // namespace io
