#include "io/ByteArrayOutputStream.h"

#include <cstring>

namespace io {

void ByteArrayOutputStream::write(const void* data, int length)
{
    if (length <= 0)
        return;
    const int at = m_data.size();
    m_data.resize(at + length);
    std::memcpy(m_data.begin() + at, data, static_cast<size_t>(length));
}

} // namespace io
