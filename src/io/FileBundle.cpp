#include "io/FileBundle.h"

#include "io/DataCorruptedException.h"
#include "io/FileInputStream.h"
#include "io/PathName.h"

#include <cstdlib>
#include <vector>

using lang::Format;
using lang::String;

namespace io {

lang::Ptr<FileBundle> FileBundle::s_installed;

namespace {

/// Tokens separated by commas and line feeds; runs of separators count as one. Carriage
/// returns and blanks belong to the tokens.
class Tokenizer
{
public:
    Tokenizer(const char* text, int length) : m_at(text), m_end(text + length) {}

    bool next(String* token)
    {
        while (m_at < m_end && isSeparator(*m_at))
            ++m_at;
        if (m_at == m_end)
            return false;
        const char* begin = m_at;
        while (m_at < m_end && !isSeparator(*m_at))
            ++m_at;
        *token = String(begin, static_cast<int>(m_at - begin));
        return true;
    }

private:
    const char* m_at;
    const char* m_end;

    static bool isSeparator(char c) { return c == ',' || c == '\n'; }
};

/// A signed decimal from the start of the token, stopping at the first other character;
/// no digits give 0. Values past 32 bits saturate rather than wrap.
int32_t parseNumber(const String& token)
{
    long long value = std::strtoll(token.c_str(), nullptr, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

[[noreturn]] void corrupted()
{
    throw DataCorruptedException(Format("FileBundle corrupted"));
}

} // namespace

void FileBundle::load(const String& dataDirectory, const String& indexPath)
{
    FileInputStream in(indexPath);
    const int length = in.available();
    std::vector<char> text(static_cast<size_t>(length) + 1);
    const int read = in.read(text.data(), length);
    text[static_cast<size_t>(read)] = 0;

    Tokenizer tokens(text.data(), read);
    String container, name, offset, size;
    if (!tokens.next(&container))
        corrupted();
    do {
        if (!tokens.next(&name) || !tokens.next(&offset) || !tokens.next(&size))
            corrupted();
        FileDescriptor entry;
        entry.file = PathName(dataDirectory, container).fullPath();
        entry.offset = parseNumber(offset);
        entry.size = parseNumber(size);
        // A negative window would read before the entry or make every count meaningless.
        if (entry.offset < 0 || entry.size < 0)
            corrupted();
        m_entries[PathName(dataDirectory, name).fullPath()] = entry;
    } while (tokens.next(&container));
}

const FileDescriptor& FileBundle::entry(const String& name) const
{
    const FileDescriptor* found = m_entries.find(name);
    if (!found)
        throw lang::Exception(Format("File not found in bundle"));
    return *found;
}

} // namespace io
