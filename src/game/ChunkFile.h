#pragma once

#include "io/ByteArrayInputStream.h"
#include "io/DataInputStream.h"
#include "lang/String.h"

#include <cstdint>

namespace game {

/// A four-letter chunk id as one big-endian 32-bit value, the first letter in the top byte.
constexpr uint32_t chunkId(const char (&name)[5])
{
    return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 | uint32_t(uint8_t(name[2])) << 8 |
           uint32_t(uint8_t(name[3]));
}

/// A resource file read whole into memory and decoded big-endian: a VOXA chunk file ("VOXA",
/// data length, then tagged chunks of id, length and body) or a file of an older layout that
/// starts straight with its data.
///
/// Files come from players' disks and downloads, so nothing a file declares is trusted: every
/// chunk length and item count is checked against the bytes left before anything is read or
/// allocated for it. A lie fails as "Unexpected end of file in {0}." or "Malformed VOXA file:
/// {0}", never as an over-read.
class ChunkFile
{
public:
    /// Reads fileName whole (through the installed bundle). Throws IOException, also
    /// "Malformed VOXA file: {0}" when the data length is larger than the bytes after it.
    explicit ChunkFile(const lang::String& fileName);
    /// The same over bytes in memory, named name in messages.
    ChunkFile(const void* data, int size, const lang::String& name);

    ChunkFile(const ChunkFile&) = delete;
    ChunkFile& operator=(const ChunkFile&) = delete;

    /// True when the file starts with "VOXA": the reader then stands at the first chunk;
    /// otherwise at the first byte.
    bool isChunked() const { return m_chunked; }
    /// Goes back to where the constructor left the reader.
    void rewind();

    /// Reads the next chunk header; false at the end of the file. A length running past the
    /// end throws "Unexpected end of file in {0}.".
    bool nextChunk(uint32_t* id, int* length);
    /// Moves to the end of the chunk whose header was read last. A body decoded past that
    /// end throws "Malformed VOXA file: {0}".
    void endChunk();

    /// The decoder at the current position.
    io::DataInputStream& in() { return m_in; }
    int remaining() const { return m_bytes.available(); }
    const lang::String& name() const { return m_name; }

    /// An unsigned 16-bit number (versions, character codes).
    int readU16() { return m_in.readShort() & 0xffff; }
    /// An unsigned 32-bit number; throws the end-of-file error when it can't be a byte count
    /// of this file.
    int readLength();
    /// A signed 16-bit count of items taking at least itemBytes bytes each. A negative count
    /// is malformed; one that the bytes left can't hold is the end-of-file error.
    int readCount(int itemBytes);
    /// A count read as a signed 8-bit number, checked the same way.
    int readByteCount(int itemBytes);
    /// Skips count bytes, all of which must be there.
    void skip(int count);

    /// Throws IOException "Malformed VOXA file: {0}".
    [[noreturn]] void malformed() const;
    /// Throws IOException "Unexpected end of file in {0}.".
    [[noreturn]] void truncated() const;

private:
    io::ByteArrayInputStream m_bytes;
    io::DataInputStream m_in;
    lang::String m_name;
    bool m_chunked = false;
    int m_start = 0;
    int m_chunkEnd = 0;

    void readHeader();
    int checkCount(int count, int itemBytes);
};

} // namespace game
