#pragma once

#include "lang/String.h"

#include <cstdint>

namespace game {

/// Tells an enciphered script from plain source, and deciphers it.
///
/// Enciphered means: a positive multiple of 16 bytes that deciphers with key to a sound pad
/// count (1..16) and to text, UTF-8 without control characters other than white space (an
/// empty text must also have every padding byte hold the pad count). Bytes that are no text
/// themselves but decipher to a sound pad count are taken as enciphered too, so that an
/// enciphered script with stray bytes in its strings still runs. Anything else is plain
/// source: a random block deciphers to text about once in 10^7 for the shortest script, and
/// less the longer it is.
///
/// Returns true and the deciphered text for an enciphered file; false, with text empty, for
/// plain source.
bool decipherScript(const uint8_t key[32], const lang::String& bytes, lang::String* text);

/// Whether bytes are text as a script's source is: UTF-8 without control characters other
/// than tab, line feed, carriage return, form feed and vertical tab.
bool isScriptText(const std::string& bytes);

} // namespace game
