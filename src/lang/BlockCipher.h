#pragma once

#include "lang/String.h"

#include <cstdint>

namespace lang {

/// AES-256 in CBC mode with an all-zero initialisation vector, the cipher of the
/// enciphered script and save files. The enciphered data is the ciphertext alone.
///
/// Padding: a text of length L becomes n = (L + 16) rounded down to a multiple of 16
/// bytes, so 1 to 16 bytes are added; the last holds n - L.
class BlockCipher
{
public:
    static const int KEY_SIZE = 32;
    static const int BLOCK_SIZE = 16;

    /// Pads and enciphers length bytes of text. The added bytes all hold the pad count,
    /// or, with randomFill, all but the last hold values from rand().
    static String encipher(const uint8_t key[KEY_SIZE], const void* text, int length, bool randomFill = false);

    /// Deciphers length bytes and strips the padding (as many bytes as the last byte says,
    /// at most 16). A length that is 0 or not a multiple of 16 is a failure: returns false
    /// and leaves text empty.
    static bool decipher(const uint8_t key[KEY_SIZE], const void* data, int length, String* text);
};

} // namespace lang
