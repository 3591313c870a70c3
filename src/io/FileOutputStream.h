#pragma once

#include "io/AtomicFile.h"
#include "io/OutputStream.h"

namespace io {

/// Writes a file, replacing it only once the writing is complete.
///
/// The old file stays untouched until close(), or destruction after successful writes,
/// puts the new one in its place; a stream destroyed after a failed write or by an
/// exception leaves the old file as it was.
class FileOutputStream : public OutputStream
{
public:
    /// Opens path; throws FileNotFoundException "Failed to open {0} for writing".
    explicit FileOutputStream(const lang::String& path);
    ~FileOutputStream() override { m_file.closeOnDestroy(m_uncaughtAtOpen); }

    FileOutputStream(const FileOutputStream&) = delete;
    FileOutputStream& operator=(const FileOutputStream&) = delete;

    void write(const void* data, int length) override { m_file.write(data, length); }
    /// Puts the written file in place; throws IOException "Failed to save {0}".
    void close() { m_file.close(); }
    lang::String toString() const override { return m_path; }

private:
    AtomicFile m_file;
    lang::String m_path;
    int m_uncaughtAtOpen;
};

} // namespace io
