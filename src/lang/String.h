#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace lang {

template <class T>
class Array;

/// A byte string value: any byte values, an explicit length, deep copies.
///
/// UTF-8 is the convention for text from files and scripts, but nothing here decodes:
/// every length and position is counted in bytes.
class String
{
public:
    String() = default;
    String(const char* text) : m_bytes(text ? text : "") {}
    String(const char* bytes, int length) : m_bytes(bytes, static_cast<size_t>(length)) {}
    String(const std::string& bytes) : m_bytes(bytes) {}
    String(std::string&& bytes) : m_bytes(std::move(bytes)) {}

    int length() const { return static_cast<int>(m_bytes.size()); }
    bool isEmpty() const { return m_bytes.empty(); }
    /// The bytes, zero-terminated (the string itself may hold zero bytes too).
    const char* c_str() const { return m_bytes.c_str(); }
    const std::string& str() const { return m_bytes; }
    std::string_view view() const { return m_bytes; }

    /// The byte at index, which must be below length().
    char charAt(int index) const { return m_bytes[static_cast<size_t>(index)]; }
    char operator[](int index) const { return charAt(index); }

    /// Bytes from begin to the end; begin is clamped to [0, length].
    String substring(int begin) const;
    /// Bytes in [begin, end); both are clamped to [0, length].
    String substring(int begin, int end) const;

    /// First position of text at or after start, -1 if none.
    int indexOf(const String& text, int start = 0) const;
    int indexOf(char c, int start = 0) const;
    /// Last position of text at or before from, -1 if none.
    int lastIndexOf(const String& text, int from = 0x7fffffff) const;
    int lastIndexOf(char c, int from = 0x7fffffff) const;

    bool startsWith(const String& prefix) const;
    bool endsWith(const String& suffix) const;

    /// Converts A-Z only; bytes above 127 are left alone.
    String toLowerCase() const;
    /// Converts a-z only; bytes above 127 are left alone.
    String toUpperCase() const;
    /// Removes leading and trailing ASCII white space.
    String trim() const;
    /// A copy with every backslash replaced by a slash.
    String toSlashes() const;
    /// Splits on every occurrence of separator. Empty pieces are kept and the text after
    /// the last separator is always the last piece ("a,,b," gives a, "", b, "").
    Array<String> split(const String& separator) const;

    /// Converts zero-terminated UTF-16 text (native byte order) to UTF-8.
    static String fromUTF16(const uint16_t* text);

    String& operator+=(const String& other)
    {
        m_bytes += other.m_bytes;
        return *this;
    }
    String& operator+=(char c)
    {
        m_bytes += c;
        return *this;
    }

    friend String operator+(const String& a, const String& b) { return String(a.m_bytes + b.m_bytes); }
    friend String operator+(const String& a, const char* b) { return String(a.m_bytes + b); }
    friend String operator+(const char* a, const String& b) { return String(a + b.m_bytes); }
    friend bool operator==(const String& a, const String& b) { return a.m_bytes == b.m_bytes; }
    friend bool operator!=(const String& a, const String& b) { return a.m_bytes != b.m_bytes; }
    friend bool operator<(const String& a, const String& b) { return a.m_bytes < b.m_bytes; }
    friend bool operator==(const String& a, const char* b) { return a.m_bytes == b; }
    friend bool operator!=(const String& a, const char* b) { return a.m_bytes != b; }
    friend bool operator==(const String& a, std::string_view b) { return std::string_view(a.m_bytes) == b; }

private:
    std::string m_bytes;
};

/// Writes the bytes as they are.
std::ostream& operator<<(std::ostream& out, const String& text);

} // namespace lang
