#pragma once

#include "lang/Converter.h"

#include <cstdint>
#include <vector>

namespace lang {

/// Converts between the 8-bit, UTF-8, UTF-16 and UTF-32 encodings, one code point at a time.
class UTFConverter : public Converter
{
public:
    /// Encodings by their codes.
    enum Encoding {
        ENCODING_UNKNOWN = 0,
        ENCODING_ASCII = 1,    ///< one byte per code point; encodes code points below 128 only
        ENCODING_UTF8 = 2,     ///< 1 to 4 bytes; encodes code points below 0x200000
        ENCODING_UTF16BE = 4,  ///< surrogate pairs above 0xFFFF
        ENCODING_UTF16LE = 5,
        ENCODING_UTF32BE = 7,
        ENCODING_UTF32LE = 8,
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        ENCODING_UTF16_NATIVE = ENCODING_UTF16BE,
#else
        ENCODING_UTF16_NATIVE = ENCODING_UTF16LE,
#endif
    };

    UTFConverter(Encoding source, Encoding target) : m_source(source), m_target(target) {}

    String convert(const void* source, int length) const override;

    /// Decodes one code point from bytes [at, end), which must not be empty. Returns the
    /// bytes consumed and sets *codePoint, or minus the number of bytes to skip when they
    /// start no valid sequence.
    static int decode(Encoding encoding, const uint8_t* at, const uint8_t* end, int32_t* codePoint);
    /// Appends the encoding of codePoint to out; returns false (appending nothing) when the
    /// encoding cannot hold it.
    static bool encode(Encoding encoding, int32_t codePoint, String& out);
    /// Replaces out with the UTF-16 code units of UTF-8 text, surrogate pairs above U+FFFF;
    /// invalid sequences are dropped. out keeps its capacity, so a reused one stops
    /// allocating.
    static void toUTF16(const String& text, std::vector<uint16_t>& out);

private:
    Encoding m_source;
    Encoding m_target;
};

} // namespace lang
