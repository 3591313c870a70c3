#include "io/PropertyParser.h"

#include "io/IOException.h"

#include <cmath>
#include <cstdlib>
#include <string>

using lang::Format;
using lang::String;

namespace io {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool isSpace(char c)
{
    return isBlank(c) || c == '\n';
}

String stripComments(const String& text)
{
    std::string out;
    out.reserve(static_cast<size_t>(text.length()));
    for (int i = 0; i < text.length(); ++i) {
        if (text[i] == '-' && i + 1 < text.length() && text[i + 1] == '-') {
            while (i < text.length() && text[i] != '\n')
                ++i;
            if (i < text.length())
                out += '\n';
            continue;
        }
        out += text[i];
    }
    return String(std::move(out));
}

} // namespace

void PropertyParser::parse(const String& text, const String& name)
{
    m_entries.clear();
    m_name = name;
    m_text = stripComments(text);
    const String& t = m_text;
    const int length = t.length();
    int line = 1;
    int i = 0;
    lang::Array<Entry> entries;
    for (;;) {
        while (i < length && isSpace(t[i]))
            line += t[i++] == '\n';
        if (i >= length)
            break;
        int keyBegin = i;
        while (i < length && !isSpace(t[i]) && t[i] != '=')
            ++i;
        String key = t.substring(keyBegin, i).toLowerCase();
        // Only blanks may stand between key and "=": a line break means the "=" is missing.
        while (i < length && isBlank(t[i]))
            ++i;
        if (i >= length || t[i] != '=')
            throw IOException(Format("Missing \"{0}=<value>\" on line {1} of property set \"{2}\":\n{3}", key, line,
                                     m_name, m_text));
        ++i;
        while (i < length && isBlank(t[i]))
            ++i;
        int valueBegin = i;
        while (i < length && t[i] != '\n' && t[i] != ';')
            ++i;
        int valueEnd = i;
        while (valueEnd > valueBegin && isSpace(t[valueEnd - 1]))
            --valueEnd;
        if (i < length && t[i] == ';')
            ++i;

        Entry entry{key, t.substring(valueBegin, valueEnd)};
        // Sorted insertion; of two entries with the same key the later wins.
        int at = lowerBound(entries, key);
        if (at < entries.size() && entries[at].key == key) {
            entries[at].value = entry.value;
        } else {
            entries.add(entry);
            for (int j = entries.size() - 1; j > at; --j)
                std::swap(entries[j], entries[j - 1]);
        }
    }
    m_entries.swap(entries);
}

int PropertyParser::lowerBound(const lang::Array<Entry>& entries, const String& key)
{
    int low = 0;
    int high = entries.size();
    while (low < high) {
        int middle = (low + high) / 2;
        if (entries[middle].key < key)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

const PropertyParser::Entry* PropertyParser::find(const String& key) const
{
    int at = lowerBound(m_entries, key);
    return at < m_entries.size() && m_entries[at].key == key ? &m_entries[at] : nullptr;
}

bool PropertyParser::getString(const String& key, String& out) const
{
    const Entry* entry = find(key);
    if (!entry)
        return false;
    out = entry->value;
    return true;
}

bool PropertyParser::getBoolean(const String& key) const
{
    const Entry* entry = find(key);
    if (!entry)
        throw IOException(Format("Failed to parse boolean, no key {0} in \"{1}\"", key, m_name));
    String value = entry->value.toLowerCase();
    if (value == "enabled" || value == "true" || value == "1" || value == "yes")
        return true;
    if (value == "disabled" || value == "false" || value == "0" || value == "no")
        return false;
    throw IOException(Format("Failed to parse boolean {0} from \"{1}\"", key, m_name));
}

int32_t PropertyParser::getInteger(const String& key) const
{
    const Entry* entry = find(key);
    if (!entry)
        throw IOException(Format("Failed to parse number, no key {0} in \"{1}\"", key, m_name));
    double number;
    if (!parseNumber(entry->value, &number) || !(number >= INT32_MIN && number <= INT32_MAX))
        throw IOException(Format("Failed to parse integer {0} from \"{1}\"", key, m_name));
    if (number != std::floor(number))
        throw IOException(Format("Failed to parse integer {0} from \"{1}\" (number is not integer)", key, m_name));
    return static_cast<int32_t>(number);
}

double PropertyParser::getNumber(const String& key) const
{
    const Entry* entry = find(key);
    if (!entry)
        throw IOException(Format("Failed to parse number, no key {0} in \"{1}\"", key, m_name));
    double number;
    if (!parseNumber(entry->value, &number))
        throw IOException(Format("Failed to parse number {0} from \"{1}\"", key, m_name));
    return number;
}

bool PropertyParser::parseNumber(const String& value, double* number)
{
    std::string text = value.str();
    size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    const size_t begin = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        text[i++] = 'e';
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        size_t exponentDigits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i, ++exponentDigits;
        if (exponentDigits == 0)
            return false;
    }
    if (i != text.size())
        return false;
    // strtod gives +-HUGE_VAL, the infinities, on overflow.
    *number = std::strtod(text.c_str() + begin, nullptr);
    return true;
}

} // namespace io
