#include "io/DataInputStream.h"

#include "io/IOException.h"
#include "lang/UTFConverter.h"

#include <cstring>

using lang::Format;
using lang::String;
using lang::UTFConverter;

namespace io {

int DataInputStream::read(void* buffer, int length)
{
    int count = m_inner->read(buffer, length);
    m_position += count;
    return count;
}

int DataInputStream::skip(int count)
{
    int skipped = m_inner->skip(count);
    m_position += skipped;
    return skipped;
}

bool DataInputStream::seek(int offset, int origin)
{
    if (!m_inner->seek(offset, origin))
        return false;
    if (origin == 0)
        m_position = offset;
    else if (origin == 1)
        m_position += offset;
    return true;
}

void DataInputStream::readFully(void* buffer, int length)
{
    if (length <= 0)
        return;
    if (read(buffer, length) != length)
        throw IOException(Format("Unexpected end of file in {0}.", toString()));
}

bool DataInputStream::readBoolean()
{
    return readUnsignedByte() != 0;
}

int DataInputStream::readByte()
{
    uint8_t byte;
    readFully(&byte, 1);
    return byte;
}

int DataInputStream::readUnsignedByte()
{
    return readByte();
}

void DataInputStream::readString(String& out, int length)
{
    std::string text;
    if (length > 0) {
        text.resize(static_cast<size_t>(length));
        readFully(&text[0], length);
    }
    out = String(std::move(text));
}

int32_t DataInputStream::readInt()
{
    uint8_t b[4];
    readFully(b, 4);
    return static_cast<int32_t>(uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3]);
}

int DataInputStream::readShort()
{
    uint8_t b[2];
    readFully(b, 2);
    return static_cast<int16_t>(uint16_t(b[0] << 8 | b[1]));
}

float DataInputStream::readFloat()
{
    uint32_t bits = static_cast<uint32_t>(readInt());
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

double DataInputStream::readDouble()
{
    uint64_t high = static_cast<uint32_t>(readInt());
    uint64_t low = static_cast<uint32_t>(readInt());
    uint64_t bits = high << 32 | low;
    double value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

int DataInputStream::readLength()
{
    int length = readShort();
    if (length < 0)
        throw IOException(Format("Invalid UTF-8 data in {0}.", toString()));
    return length;
}

int DataInputStream::readUTF(char* buffer, int size)
{
    int length = readLength();
    if (length >= size)
        throw IOException(Format("Too small buffer ({0}) for UTF-8 data in {1}.", size, toString()));
    readFully(buffer, length);
    buffer[length] = 0;
    return length;
}

String DataInputStream::readUTF()
{
    int length = readLength();
    m_scratch.resize(length + 1);
    readFully(m_scratch.begin(), length);
    // The text is decoded (invalid sequences dropped), not copied raw.
    return UTFConverter(UTFConverter::ENCODING_UTF8, UTFConverter::ENCODING_UTF8).convert(m_scratch.begin(), length);
}

} // namespace io
