#include "lang/UTFConverter.h"

namespace lang {

namespace {

uint32_t read16(const uint8_t* p, bool bigEndian)
{
    return bigEndian ? (uint32_t(p[0]) << 8 | p[1]) : (uint32_t(p[1]) << 8 | p[0]);
}

uint32_t read32(const uint8_t* p, bool bigEndian)
{
    return bigEndian ? (uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3])
                     : (uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
}

void put16(String& out, uint32_t unit, bool bigEndian)
{
    char bytes[2] = {char(unit >> 8), char(unit)};
    if (!bigEndian)
        std::swap(bytes[0], bytes[1]);
    out += String(bytes, 2);
}

int decodeUTF8(const uint8_t* at, const uint8_t* end, int32_t* codePoint)
{
    const uint8_t lead = at[0];
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    // The leading one-bits after the first count the continuation bytes.
    int continuation = 0;
    for (uint8_t bit = 0x40; (lead & bit) && continuation < 4; bit >>= 1)
        ++continuation;
    if (continuation < 1 || continuation > 3 || end - at <= continuation)
        return -1;
    uint32_t value = lead & (0x3fu >> continuation);
    for (int i = 1; i <= continuation; ++i) {
        if ((at[i] & 0xc0) != 0x80)
            return -1;
        value = value << 6 | (at[i] & 0x3fu);
    }
    *codePoint = static_cast<int32_t>(value);
    return continuation + 1;
}

int decodeUTF16(const uint8_t* at, const uint8_t* end, bool bigEndian, int32_t* codePoint)
{
    if (end - at < 2)
        return -static_cast<int>(end - at);
    uint32_t high = read16(at, bigEndian);
    if (high < 0xd800 || high > 0xdfff) {
        *codePoint = static_cast<int32_t>(high);
        return 2;
    }
    if (high > 0xdbff || end - at < 4)
        return -2;
    uint32_t low = read16(at + 2, bigEndian);
    if (low < 0xdc00 || low > 0xdfff)
        return -2;
    *codePoint = static_cast<int32_t>(((high - 0xd7c0) << 10) | (low & 0x3ff));
    return 4;
}

} // namespace

int UTFConverter::decode(Encoding encoding, const uint8_t* at, const uint8_t* end, int32_t* codePoint)
{
    switch (encoding) {
    case ENCODING_ASCII:
        *codePoint = at[0];
        return 1;
    case ENCODING_UTF8:
        return decodeUTF8(at, end, codePoint);
    case ENCODING_UTF16BE:
    case ENCODING_UTF16LE:
        return decodeUTF16(at, end, encoding == ENCODING_UTF16BE, codePoint);
    case ENCODING_UTF32BE:
    case ENCODING_UTF32LE:
        if (end - at < 4)
            return -static_cast<int>(end - at);
        *codePoint = static_cast<int32_t>(read32(at, encoding == ENCODING_UTF32BE));
        return 4;
    default:
        return -static_cast<int>(end - at);
    }
}

bool UTFConverter::encode(Encoding encoding, int32_t codePoint, String& out)
{
    const uint32_t cp = static_cast<uint32_t>(codePoint);
    switch (encoding) {
    case ENCODING_ASCII:
        if (cp >= 0x80)
            return false;
        out += char(cp);
        return true;
    case ENCODING_UTF8:
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xc0 | cp >> 6);
            out += char(0x80 | (cp & 0x3f));
        } else if (cp < 0x10000) {
            out += char(0xe0 | cp >> 12);
            out += char(0x80 | (cp >> 6 & 0x3f));
            out += char(0x80 | (cp & 0x3f));
        } else if (cp < 0x200000) {
            out += char(0xf0 | cp >> 18);
            out += char(0x80 | (cp >> 12 & 0x3f));
            out += char(0x80 | (cp >> 6 & 0x3f));
            out += char(0x80 | (cp & 0x3f));
        } else {
            return false;
        }
        return true;
    case ENCODING_UTF16BE:
    case ENCODING_UTF16LE: {
        const bool bigEndian = encoding == ENCODING_UTF16BE;
        if (cp < 0x10000) {
            put16(out, cp, bigEndian);
        } else if (cp < 0x110000) {
            put16(out, (cp >> 10) + 0xd7c0, bigEndian);
            put16(out, 0xdc00 + (cp & 0x3ff), bigEndian);
        } else {
            return false;
        }
        return true;
    }
    case ENCODING_UTF32BE:
    case ENCODING_UTF32LE: {
        char bytes[4] = {char(cp >> 24), char(cp >> 16), char(cp >> 8), char(cp)};
        if (encoding == ENCODING_UTF32LE) {
            std::swap(bytes[0], bytes[3]);
            std::swap(bytes[1], bytes[2]);
        }
        out += String(bytes, 4);
        return true;
    }
    default:
        return false;
    }
}

String UTFConverter::convert(const void* source, int length) const
{
    String out;
    const uint8_t* at = static_cast<const uint8_t*>(source);
    const uint8_t* end = at + (length > 0 ? length : 0);
    while (at < end) {
        int32_t codePoint = 0;
        int used = decode(m_source, at, end, &codePoint);
        if (used > 0) {
            encode(m_target, codePoint, out);
            at += used;
        } else {
            // A byte that starts no valid sequence (or a cut-off tail) is skipped.
            at += used < 0 ? -used : 1;
        }
    }
    return out;
}

void UTFConverter::toUTF16(const String& text, std::vector<uint16_t>& out)
{
    out.clear();
    const uint8_t* at = reinterpret_cast<const uint8_t*>(text.c_str());
    const uint8_t* end = at + text.length();
    while (at < end) {
        int32_t code;
        const int used = decode(ENCODING_UTF8, at, end, &code);
        if (used <= 0) {
            at += -used > 0 ? -used : 1;
            continue;
        }
        at += used;
        if (code >= 0x10000 && code <= 0x10FFFF) {
            out.push_back(uint16_t(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(uint16_t(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else if (code < 0x10000) {
            out.push_back(uint16_t(code));
        }
    }
}

} // namespace lang
