#include "lang/BlockCipher.h"

#include "lang/Exception.h"

#include <gcrypt.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <type_traits>

namespace lang {

namespace {

struct HandleCloser
{
    void operator()(gcry_cipher_hd_t handle) const { gcry_cipher_close(handle); }
};

/// The library wants its version checked once before any other call; the check also
/// sets it up. libgcrypt rather than another library: SDL's sound client (PulseAudio,
/// through libsystemd) loads it anyway, so the cipher adds nothing to load at start-up.
bool libraryReady()
{
    static const bool ready = [] {
        if (!gcry_check_version(GCRYPT_VERSION))
            return false;
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        return true;
    }();
    return ready;
}

/// Runs AES-256-CBC over whole blocks, padding switched off: the padding is ours.
std::string run(const uint8_t* key, const uint8_t* in, int length, bool encrypt)
{
    static const uint8_t zeroIV[BlockCipher::BLOCK_SIZE] = {};
    if (!libraryReady())
        throw Exception(Format("The AES-256-CBC cipher of libgcrypt failed: the library is older than the engine's"));
    gcry_cipher_hd_t raw = nullptr;
    if (gcry_cipher_open(&raw, GCRY_CIPHER_AES256, GCRY_CIPHER_MODE_CBC, 0) != 0)
        throw Exception(Format("The AES-256-CBC cipher of libgcrypt failed to open"));
    std::unique_ptr<std::remove_pointer_t<gcry_cipher_hd_t>, HandleCloser> handle(raw);
    // The blocks are worked on in place, in the string that is handed back.
    std::string out(reinterpret_cast<const char*>(in), static_cast<size_t>(length));
    auto* bytes = reinterpret_cast<unsigned char*>(&out[0]);
    if (gcry_cipher_setkey(raw, key, BlockCipher::KEY_SIZE) != 0 || gcry_cipher_setiv(raw, zeroIV, sizeof zeroIV) != 0 ||
        (encrypt ? gcry_cipher_encrypt(raw, bytes, out.size(), nullptr, 0)
                 : gcry_cipher_decrypt(raw, bytes, out.size(), nullptr, 0)) != 0)
        throw Exception(Format("The AES-256-CBC cipher of libgcrypt failed"));
    return out;
}

} // namespace

String BlockCipher::encipher(const uint8_t key[KEY_SIZE], const void* text, int length, bool randomFill)
{
    if (length < 0)
        length = 0;
    const int padded = (length + BLOCK_SIZE) / BLOCK_SIZE * BLOCK_SIZE;
    const int pad = padded - length;
    std::string plain(static_cast<size_t>(padded), static_cast<char>(pad));
    if (length > 0)
        plain.replace(0, static_cast<size_t>(length), static_cast<const char*>(text), static_cast<size_t>(length));
    if (randomFill)
        for (int i = length; i < padded - 1; ++i)
            plain[static_cast<size_t>(i)] = static_cast<char>(std::rand());
    return String(run(key, reinterpret_cast<const uint8_t*>(plain.data()), padded, true));
}

bool BlockCipher::decipher(const uint8_t key[KEY_SIZE], const void* data, int length, String* text)
{
    *text = String();
    if (length <= 0 || length % BLOCK_SIZE != 0)
        return false;
    std::string plain = run(key, static_cast<const uint8_t*>(data), length, false);
    int pad = static_cast<uint8_t>(plain.back());
    if (pad > BLOCK_SIZE)
        pad = BLOCK_SIZE;
    plain.resize(plain.size() - static_cast<size_t>(pad));
    *text = String(std::move(plain));
    return true;
}

} // namespace lang
