#pragma once

#include "lang/String.h"

#include <cstdint>

namespace io {

/// Reads the big-endian binary encodings of the engine's resource files.
class DataInput
{
public:
    virtual int skip(int count) = 0;
    virtual int read(void* buffer, int length) = 0;
    /// Exactly length bytes, or IOException "Unexpected end of file in {0}.".
    virtual void readFully(void* buffer, int length) = 0;
    /// One byte, true when non-zero.
    virtual bool readBoolean() = 0;
    virtual int readByte() = 0;
    virtual int readUnsignedByte() = 0;
    /// Exactly length 8-bit characters (none for length <= 0).
    virtual void readString(lang::String& out, int length) = 0;
    virtual double readDouble() = 0;
    virtual float readFloat() = 0;
    virtual int32_t readInt() = 0;
    /// Two bytes, sign-extended.
    virtual int readShort() = 0;
    /// A length-prefixed UTF-8 text into buffer, zero-terminated; returns its byte count.
    /// Throws IOException when the length is negative or does not fit below size.
    virtual int readUTF(char* buffer, int size) = 0;
    /// A length-prefixed UTF-8 text (at most 32767 bytes).
    virtual lang::String readUTF() = 0;

protected:
    ~DataInput() = default;
};

} // namespace io
