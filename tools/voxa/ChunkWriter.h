#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace voxa {

/// Builds the bytes of a resource file: big-endian numbers, length-prefixed UTF-8 strings and
/// chunks whose lengths are filled in when they close. file() wraps them in the "VOXA"
/// header; bytes() is the bare data of an older layout.
class ChunkWriter
{
public:
    void u8(int value);
    void u16(int value);
    void s16(int value) { u16(value); }
    void u32(uint32_t value);
    /// A string as its 16-bit byte count and its bytes. Throws std::runtime_error over 32767 bytes.
    void utf(const std::string& text);
    void raw(const void* data, size_t size);

    /// Opens a chunk of a four-letter id; chunks nest (sub-chunks of a text chunk).
    void beginChunk(const char* id);
    /// Closes the innermost chunk, writing its length.
    void endChunk();

    const std::vector<uint8_t>& bytes() const { return m_bytes; }
    /// "VOXA", the data length and the bytes.
    std::vector<uint8_t> file() const;

private:
    std::vector<uint8_t> m_bytes;
    std::vector<size_t> m_open; ///< where the length of each open chunk goes
};

/// Writes bytes to path; throws std::runtime_error naming the path on failure.
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
/// The whole file at path; throws std::runtime_error naming the path on failure.
std::string readFile(const std::string& path);

} // namespace voxa
