#include "io/ByteArrayInputStream.h"

#include <algorithm>
#include <cstring>

namespace io {

ByteArrayInputStream::ByteArrayInputStream(const void* data, int length, const lang::String& name) : m_name(name)
{
    setData(data, length);
}

ByteArrayInputStream::ByteArrayInputStream(lang::Array<uint8_t>&& data, const lang::String& name)
    : m_data(std::move(data)), m_name(name)
{
}

void ByteArrayInputStream::setData(const void* data, int length)
{
    length = std::max(length, 0);
    m_data.clear();
    m_data.resize(length);
    if (data && length > 0)
        std::memcpy(m_data.begin(), data, static_cast<size_t>(length));
    m_position = 0;
}

int ByteArrayInputStream::available() const
{
    // A position moved outside the data by seek leaves nothing to read.
    if (m_position < 0 || m_position >= m_data.size())
        return 0;
    return m_data.size() - m_position;
}

int ByteArrayInputStream::read(void* buffer, int length)
{
    int count = std::min(std::max(length, 0), available());
    if (count > 0)
        std::memcpy(buffer, m_data.begin() + m_position, static_cast<size_t>(count));
    m_position += count;
    return count;
}

int ByteArrayInputStream::skip(int count)
{
    count = std::min(std::max(count, 0), available());
    m_position += count;
    return count;
}

bool ByteArrayInputStream::seek(int offset, int origin)
{
    long long target;
    switch (origin) {
    case 0: target = offset; break;
    case 1: target = static_cast<long long>(m_position) + offset; break;
    case 2: target = static_cast<long long>(m_data.size()) + offset; break;
    default: return false;
    }
    m_position = static_cast<int>(std::max<long long>(-1, std::min<long long>(target, m_data.size())));
    return true;
}

lang::String ByteArrayInputStream::toString() const
{
    return m_name.isEmpty() ? lang::String("ByteArrayInputStream") : m_name;
}

} // namespace io
