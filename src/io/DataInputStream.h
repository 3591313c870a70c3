#pragma once

#include "io/DataInput.h"
#include "io/FilterInputStream.h"
#include "lang/Array.h"

namespace io {

/// Decodes big-endian numbers and length-prefixed UTF-8 from an inner stream, counting
/// the bytes consumed through it.
class DataInputStream : public FilterInputStream, public DataInput
{
public:
    /// inner is not owned: the caller keeps it alive for the life of the decorator.
    explicit DataInputStream(InputStream* inner) : FilterInputStream(inner) {}

    int read(void* buffer, int length) override;
    int skip(int count) override;
    bool seek(int offset, int origin) override;

    void readFully(void* buffer, int length) override;
    bool readBoolean() override;
    int readByte() override;
    int readUnsignedByte() override;
    void readString(lang::String& out, int length) override;
    double readDouble() override;
    float readFloat() override;
    int32_t readInt() override;
    int readShort() override;
    int readUTF(char* buffer, int size) override;
    lang::String readUTF() override;

    /// Bytes consumed through this decorator (moved by seek).
    int position() const { return m_position; }

private:
    int m_position = 0;
    lang::Array<char> m_scratch;

    int readLength();
};

} // namespace io
