#include "gr/Palette.h"

#include <cstring>

namespace gr {

Palette::Palette(int count) : m_count(count > 0 ? count : 0)
{
    m_entries.resize(m_count * 4);
}

void Palette::setEntries(int first, const void* colours, int count, PixelFormat::Type format)
{
    if (first < 0 || first >= m_count || count <= 0)
        return;
    count = count < m_count - first ? count : m_count - first;
    PixelFormat::convert(PixelFormat::A8R8G8B8, m_entries.begin() + first * 4, format, colours, count);
}

void Palette::getEntries(int first, void* colours, int count, PixelFormat::Type format) const
{
    if (first < 0 || first >= m_count || count <= 0)
        return;
    count = count < m_count - first ? count : m_count - first;
    PixelFormat::convert(format, colours, PixelFormat::A8R8G8B8, m_entries.begin() + first * 4, count);
}

} // namespace gr
