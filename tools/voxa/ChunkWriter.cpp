#include "ChunkWriter.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace voxa {

void ChunkWriter::u8(int value)
{
    m_bytes.push_back(uint8_t(value));
}

void ChunkWriter::u16(int value)
{
    u8(value >> 8);
    u8(value);
}

void ChunkWriter::u32(uint32_t value)
{
    u16(int(value >> 16));
    u16(int(value & 0xffff));
}

void ChunkWriter::utf(const std::string& text)
{
    if (text.size() > 32767)
        throw std::runtime_error("string of " + std::to_string(text.size()) + " bytes is longer than 32767: " +
                                 text.substr(0, 40) + "...");
    u16(int(text.size()));
    raw(text.data(), text.size());
}

void ChunkWriter::raw(const void* data, size_t size)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), bytes, bytes + size);
}

void ChunkWriter::beginChunk(const char* id)
{
    if (std::strlen(id) != 4)
        throw std::logic_error(std::string("chunk id of four letters expected: ") + id);
    raw(id, 4);
    m_open.push_back(m_bytes.size());
    u32(0);
}

void ChunkWriter::endChunk()
{
    if (m_open.empty())
        throw std::logic_error("endChunk without beginChunk");
    const size_t at = m_open.back();
    m_open.pop_back();
    const uint32_t length = uint32_t(m_bytes.size() - at - 4);
    for (int i = 0; i < 4; ++i)
        m_bytes[at + i] = uint8_t(length >> (24 - 8 * i));
}

std::vector<uint8_t> ChunkWriter::file() const
{
    ChunkWriter header;
    header.raw("VOXA", 4);
    header.u32(uint32_t(m_bytes.size()));
    std::vector<uint8_t> out = header.m_bytes;
    out.insert(out.end(), m_bytes.begin(), m_bytes.end());
    return out;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("can't write " + path);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("can't read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace voxa
