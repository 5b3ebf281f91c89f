// Throughput of the database ciphers on 1 MiB beside OpenSSL's AES-256-CBC.
// Run once as is and once with OPENSSL_ia32cap=~0x200000200000000 to keep OpenSSL off the
// AES instructions, which our table-driven code does not use either.
#include <benchmark/benchmark.h>

#include "database/MasterKeyKDF.h"

#include <openssl/evp.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "crypto/Blowfish.h"
#include "crypto/Rijndael256.h"

using CryptoServiceProvider::Encryption::Blowfish;
using CryptoServiceProvider::Encryption::CipherBase;
using CryptoServiceProvider::Encryption::Rijndael256;

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

std::vector<std::uint8_t> Filler(std::size_t length, std::uint8_t start) {
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(start + i * 131);
    }
    return bytes;
}

template <typename Cipher, bool Encrypt>
void OwnCbc(benchmark::State& state) {
    Cipher cipher;
    const auto key = Filler(cipher.GetKeySize(), 1);
    const auto iv = Filler(16, 2);
    auto buffer = Filler(kBufferSize, 3);
    cipher.InitializeCipher(key.data(), key.size());
    for (auto _ : state) {
        if constexpr (Encrypt) {
            cipher.BlockEncryptInCBCMode(buffer.data(), buffer.size(), iv.data(), iv.size());
        } else {
            cipher.BlockDecryptInCBCMode(buffer.data(), buffer.size(), iv.data(), iv.size());
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    cipher.ClearKey();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBufferSize);
}

// The callers' pattern: key, one call, clear.
void OwnAes256CbcKeyedPerCall(benchmark::State& state) {
    Rijndael256 cipher;
    const auto key = Filler(32, 1);
    const auto iv = Filler(16, 2);
    auto buffer = Filler(kBufferSize, 3);
    for (auto _ : state) {
        cipher.InitializeCipher(key.data(), key.size());
        cipher.BlockEncryptInCBCMode(buffer.data(), buffer.size(), iv.data(), iv.size());
        cipher.ClearKey();
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBufferSize);
}

template <bool Encrypt>
void OpenSslAes256Cbc(benchmark::State& state) {
    const auto key = Filler(32, 1);
    const auto iv = Filler(16, 2);
    auto input = Filler(kBufferSize, 3);
    std::vector<std::uint8_t> output(kBufferSize + 16);
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                            &EVP_CIPHER_CTX_free);
    for (auto _ : state) {
        int written = 0;
        int last = 0;
        EVP_CipherInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, key.data(), iv.data(), Encrypt ? 1 : 0);
        EVP_CIPHER_CTX_set_padding(context.get(), 0);
        EVP_CipherUpdate(context.get(), output.data(), &written, input.data(), static_cast<int>(input.size()));
        EVP_CipherFinal_ex(context.get(), output.data() + written, &last);
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBufferSize);
}

void OwnAes256Ecb(benchmark::State& state) {
    Rijndael256 cipher;
    const auto key = Filler(32, 1);
    auto buffer = Filler(kBufferSize, 3);
    cipher.InitializeCipher(key.data(), key.size());
    for (auto _ : state) {
        cipher.BlockEncrypt(buffer.data(), buffer.size());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBufferSize);
}

// One database key derivation at the rounds every new file gets.
void MasterKeyDerivation1000(benchmark::State& state) {
    const auto salt = Filler(32, 5);
    for (auto _ : state) {
        EmberkiteDatabase::KeyStore key;
        EmberkiteDatabase::MasterKeyKDF(u"ein langes Passwort", 1000).Derive(key, 32, salt.data(), salt.size());
        benchmark::DoNotOptimize(key.Data());
    }
}

} // namespace

BENCHMARK(MasterKeyDerivation1000)->Name("MasterKeyKDF/1000Rounds")->Unit(benchmark::kMillisecond);
BENCHMARK(OwnCbc<Rijndael256, true>)->Name("Aes256Cbc/Encrypt/Own")->Unit(benchmark::kMicrosecond);
BENCHMARK(OpenSslAes256Cbc<true>)->Name("Aes256Cbc/Encrypt/OpenSSL")->Unit(benchmark::kMicrosecond);
BENCHMARK(OwnCbc<Rijndael256, false>)->Name("Aes256Cbc/Decrypt/Own")->Unit(benchmark::kMicrosecond);
BENCHMARK(OpenSslAes256Cbc<false>)->Name("Aes256Cbc/Decrypt/OpenSSL")->Unit(benchmark::kMicrosecond);
BENCHMARK(OwnAes256CbcKeyedPerCall)->Name("Aes256Cbc/Encrypt/OwnKeyedPerCall")->Unit(benchmark::kMicrosecond);
BENCHMARK(OwnAes256Ecb)->Name("Aes256Ecb/Encrypt/Own")->Unit(benchmark::kMicrosecond);
BENCHMARK(OwnCbc<Blowfish, true>)->Name("BlowfishCbc/Encrypt/Own")->Unit(benchmark::kMicrosecond);
BENCHMARK(OwnCbc<Blowfish, false>)->Name("BlowfishCbc/Decrypt/Own")->Unit(benchmark::kMicrosecond);
