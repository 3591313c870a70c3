#include "lang/BlockCipher.h"

#include "lang/Exception.h"
#include "lang/OutOfMemoryException.h"

#include <openssl/evp.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace lang {

namespace {

struct ContextDeleter
{
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

/// Runs AES-256-CBC over whole blocks, padding switched off: the padding is ours.
std::string run(const uint8_t* key, const uint8_t* in, int length, bool encrypt)
{
    static const uint8_t zeroIV[BlockCipher::BLOCK_SIZE] = {};
    std::unique_ptr<EVP_CIPHER_CTX, ContextDeleter> context(EVP_CIPHER_CTX_new());
    if (!context)
        throw OutOfMemoryException();
    std::string out(static_cast<size_t>(length) + BlockCipher::BLOCK_SIZE, '\0');
    auto* outBytes = reinterpret_cast<unsigned char*>(&out[0]);
    int written = 0;
    int finalWritten = 0;
    if (EVP_CipherInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, key, zeroIV, encrypt ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1 ||
        EVP_CipherUpdate(context.get(), outBytes, &written, in, length) != 1 ||
        EVP_CipherFinal_ex(context.get(), outBytes + written, &finalWritten) != 1)
        throw Exception(Format("The AES-256-CBC cipher of libcrypto failed"));
    out.resize(static_cast<size_t>(written + finalWritten));
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
