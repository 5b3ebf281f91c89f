#pragma once

// Reference computations with OpenSSL, independent of the program's own ciphers and
// key derivation, for checking what the program writes.
#include <openssl/evp.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace TestSupport::Reference {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Digest(const EVP_MD* md, const Bytes& data) {
    Bytes out(static_cast<std::size_t>(EVP_MD_get_size(md)));
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), out.data(), &length, md, nullptr);
    return out;
}

inline Bytes Utf16Le(std::u16string_view text) {
    Bytes bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

// AES-256 without padding, ECB when the vector is empty, else CBC.
inline Bytes Aes(const Bytes& key, const Bytes& iv, const Bytes& data, bool encrypt) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(ctx, iv.empty() ? EVP_aes_256_ecb() : EVP_aes_256_cbc(), nullptr, key.data(),
                      iv.empty() ? nullptr : iv.data(), encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    Bytes out(data.size());
    int n = 0;
    EVP_CipherUpdate(ctx, out.data(), &n, data.data(), static_cast<int>(data.size()));
    EVP_CIPHER_CTX_free(ctx);
    return out;
}

// The database key: SHA-512 of the UTF-16LE password, each 16-byte quarter encrypted rounds
// times with AES-256 under the salt, SHA-512 over that and the salt, the first k bytes.
inline Bytes DeriveKey(std::u16string_view password, const Bytes& salt, int rounds, std::size_t k = 32) {
    Bytes h = Digest(EVP_sha512(), Utf16Le(password));
    for (int q = 0; q < 4; ++q) {
        Bytes block(h.begin() + 16 * q, h.begin() + 16 * q + 16);
        for (int r = 0; r < rounds; ++r) {
            block = Aes(salt, {}, block, true);
        }
        std::copy(block.begin(), block.end(), h.begin() + 16 * q);
    }
    h.insert(h.end(), salt.begin(), salt.end());
    Bytes m = Digest(EVP_sha512(), h);
    m.resize(k);
    return m;
}

} // namespace TestSupport::Reference
