#include "game/ScriptFile.h"

#include "lang/BlockCipher.h"

#include <algorithm>
#include <cstring>

using lang::BlockCipher;
using lang::String;

namespace game {

namespace {

/// The length of the UTF-8 sequence at i and its code point; 0 for a malformed one (overlong,
/// surrogate, above U+10FFFF or cut short).
size_t utf8At(const std::string& bytes, size_t i, uint32_t* code)
{
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(bytes[k]); };
    const uint8_t first = byte(i);
    if (first < 0x80) {
        *code = first;
        return 1;
    }
    size_t length;
    uint32_t value, least;
    if ((first & 0xE0) == 0xC0)
        length = 2, value = first & 0x1F, least = 0x80;
    else if ((first & 0xF0) == 0xE0)
        length = 3, value = first & 0x0F, least = 0x800;
    else if ((first & 0xF8) == 0xF0)
        length = 4, value = first & 0x07, least = 0x10000;
    else
        return 0;
    if (i + length > bytes.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (byte(i + k) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return length;
}

} // namespace

bool isScriptText(const std::string& bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        uint32_t code = 0;
        const size_t length = utf8At(bytes, i, &code);
        if (length == 0 || code == 0x7F || (code < 0x20 && !std::strchr("\t\n\r\f\v", static_cast<int>(code))))
            return false;
        i += length;
    }
    return true;
}

bool decipherScript(const uint8_t key[32], const String& bytes, String* text)
{
    *text = String();
    const size_t length = static_cast<size_t>(bytes.length());
    if (length == 0 || length % BlockCipher::BLOCK_SIZE != 0)
        return false;
    // The cipher strips the padding without looking at it. One more block after the file
    // keeps the file's own last block whole, so that its pad count can be checked: a file
    // that was never enciphered leaves a random byte there.
    const std::string longer = bytes.str() + std::string(BlockCipher::BLOCK_SIZE, '\0');
    String out;
    if (!BlockCipher::decipher(key, longer.data(), static_cast<int>(longer.size()), &out) ||
        static_cast<size_t>(out.length()) < length)
        return false;
    const std::string whole = out.str().substr(0, length);
    const size_t pad = static_cast<uint8_t>(whole.back());
    if (pad < 1 || pad > static_cast<size_t>(BlockCipher::BLOCK_SIZE))
        return false;
    std::string plain = whole.substr(0, length - pad);
    const bool regularPad = std::all_of(whole.end() - static_cast<long>(pad), whole.end(),
                                        [&](char c) { return static_cast<uint8_t>(c) == pad; });
    const bool deciphersToText = isScriptText(plain) && (!plain.empty() || regularPad);
    if (!deciphersToText && isScriptText(bytes.str()))
        return false;
    *text = String(std::move(plain));
    return true;
}

} // namespace game
