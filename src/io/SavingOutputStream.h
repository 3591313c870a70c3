#pragma once

#include "io/AtomicFile.h"
#include "io/OutputStream.h"

namespace io {

/// An output stream to a file that replaces the file only once the writing is complete.
///
/// The old file stays untouched until close(), or destruction after successful writes,
/// puts the new one in its place; a stream destroyed after a failed write or by an
/// exception leaves the old file as it was.
class SavingOutputStream : public OutputStream
{
public:
    ~SavingOutputStream() override { m_file.closeOnDestroy(m_uncaughtAtOpen); }

    SavingOutputStream(const SavingOutputStream&) = delete;
    SavingOutputStream& operator=(const SavingOutputStream&) = delete;

    void write(const void* data, int length) override { m_file.write(data, length); }
    /// Puts the written file in place; throws IOException "Failed to save {0}".
    void close() { m_file.close(); }
    lang::String toString() const override { return m_path; }

protected:
    /// Starts the replacement of path; false (errno set) when it can't.
    explicit SavingOutputStream(const lang::String& path);
    bool isOpen() const { return m_file.isOpen(); }

private:
    AtomicFile m_file;
    lang::String m_path;
    int m_uncaughtAtOpen;
};

} // namespace io
