#include "lang/String.h"

#include "lang/Array.h"
#include "lang/UTFConverter.h"

#include <algorithm>
#include <ostream>

namespace lang {

namespace {

bool isAsciiSpace(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int clampIndex(int index, int length)
{
    return std::max(0, std::min(index, length));
}

} // namespace

String String::substring(int begin) const
{
    return substring(begin, length());
}

String String::substring(int begin, int end) const
{
    begin = clampIndex(begin, length());
    end = clampIndex(end, length());
    if (end <= begin)
        return String();
    return String(m_bytes.substr(static_cast<size_t>(begin), static_cast<size_t>(end - begin)));
}

int String::indexOf(const String& text, int start) const
{
    if (start < 0)
        start = 0;
    if (start > length())
        return -1;
    size_t at = m_bytes.find(text.m_bytes, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int String::indexOf(char c, int start) const
{
    return indexOf(String(&c, 1), start);
}

int String::lastIndexOf(const String& text, int from) const
{
    if (from < 0)
        return -1;
    size_t at = m_bytes.rfind(text.m_bytes, static_cast<size_t>(from));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int String::lastIndexOf(char c, int from) const
{
    return lastIndexOf(String(&c, 1), from);
}

bool String::startsWith(const String& prefix) const
{
    return m_bytes.compare(0, prefix.m_bytes.size(), prefix.m_bytes) == 0;
}

bool String::endsWith(const String& suffix) const
{
    return m_bytes.size() >= suffix.m_bytes.size() &&
           m_bytes.compare(m_bytes.size() - suffix.m_bytes.size(), suffix.m_bytes.size(), suffix.m_bytes) == 0;
}

String String::toLowerCase() const
{
    std::string out = m_bytes;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return String(std::move(out));
}

String String::toUpperCase() const
{
    std::string out = m_bytes;
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return String(std::move(out));
}

String String::trim() const
{
    int begin = 0;
    int end = length();
    while (begin < end && isAsciiSpace(static_cast<unsigned char>(m_bytes[begin])))
        ++begin;
    while (end > begin && isAsciiSpace(static_cast<unsigned char>(m_bytes[end - 1])))
        --end;
    return substring(begin, end);
}

String String::toSlashes() const
{
    std::string out = m_bytes;
    std::replace(out.begin(), out.end(), '\\', '/');
    return String(std::move(out));
}

Array<String> String::split(const String& separator) const
{
    Array<String> pieces;
    if (separator.isEmpty()) {
        pieces.add(*this);
        return pieces;
    }
    int begin = 0;
    for (int at = indexOf(separator); at >= 0; at = indexOf(separator, begin)) {
        pieces.add(substring(begin, at));
        begin = at + separator.length();
    }
    pieces.add(substring(begin));
    return pieces;
}

std::ostream& operator<<(std::ostream& out, const String& text)
{
    return out << text.str();
}

String String::fromUTF16(const uint16_t* text)
{
    if (!text)
        return String();
    int units = 0;
    while (text[units])
        ++units;
    UTFConverter converter(UTFConverter::ENCODING_UTF16_NATIVE, UTFConverter::ENCODING_UTF8);
    return converter.convert(text, units * 2);
}

} // namespace lang
