#include "game/ChunkFile.h"

#include "io/FileInputStream.h"
#include "io/IOException.h"

#include <cstring>
#include <vector>

using lang::Format;
using lang::String;

namespace game {

ChunkFile::ChunkFile(const String& fileName) : m_bytes(nullptr, 0, fileName), m_in(&m_bytes), m_name(fileName)
{
    io::FileInputStream file(fileName);
    const int size = file.available();
    std::vector<uint8_t> data(static_cast<size_t>(size > 0 ? size : 0));
    if (size > 0 && file.read(data.data(), size) != size)
        truncated();
    m_bytes.setData(data.data(), size);
    readHeader();
}

ChunkFile::ChunkFile(const void* data, int size, const String& name)
    : m_bytes(data, size, name), m_in(&m_bytes), m_name(name)
{
    readHeader();
}

void ChunkFile::readHeader()
{
    m_chunked = m_bytes.size() >= 4 && std::memcmp(m_bytes.data(), "VOXA", 4) == 0;
    if (!m_chunked)
        return;
    m_in.seek(4, 0);
    const uint32_t dataLength = static_cast<uint32_t>(m_in.readInt());
    if (dataLength > static_cast<uint32_t>(remaining()))
        malformed();
    m_start = m_in.position();
}

void ChunkFile::rewind()
{
    m_in.seek(m_start, 0);
}

bool ChunkFile::nextChunk(uint32_t* id, int* length)
{
    if (remaining() <= 0)
        return false;
    *id = static_cast<uint32_t>(m_in.readInt());
    *length = readLength();
    m_chunkEnd = m_in.position() + *length;
    return true;
}

void ChunkFile::endChunk()
{
    if (m_in.position() > m_chunkEnd)
        malformed();
    m_in.seek(m_chunkEnd, 0);
}

int ChunkFile::readLength()
{
    const uint32_t length = static_cast<uint32_t>(m_in.readInt());
    if (length > static_cast<uint32_t>(remaining()))
        truncated();
    return static_cast<int>(length);
}

int ChunkFile::readCount(int itemBytes)
{
    return checkCount(m_in.readShort(), itemBytes);
}

int ChunkFile::readByteCount(int itemBytes)
{
    return checkCount(static_cast<int8_t>(m_in.readByte()), itemBytes);
}

int ChunkFile::checkCount(int count, int itemBytes)
{
    if (count < 0)
        malformed();
    if (static_cast<long>(count) * itemBytes > remaining())
        truncated();
    return count;
}

void ChunkFile::skip(int count)
{
    if (count < 0 || count > remaining())
        truncated();
    m_in.skip(count);
}

void ChunkFile::malformed() const
{
    throw io::IOException(Format("Malformed VOXA file: {0}", m_name));
}

void ChunkFile::truncated() const
{
    throw io::IOException(Format("Unexpected end of file in {0}.", m_name));
}

} // namespace game
