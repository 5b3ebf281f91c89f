#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstring>
#include <memory>
#include <new>

#include "CipherTestSupport.h"
#include "crypto/Rijndael256.h"
#include "crypto/RijndaelBase.h"

using CryptoServiceProvider::Encryption::Rijndael256;
using CryptoServiceProvider::Encryption::RijndaelBase;
using namespace CipherTest;

namespace {

// The base with other fixed key lengths, to reach AES-128/192 and the round-count check.
class RijndaelWithKeyLength final : public RijndaelBase {
public:
    explicit RijndaelWithKeyLength(std::size_t keyLength) : RijndaelBase(keyLength) {}
    bool SelfTest() override { return false; }
    bool SelfTestCBC() override { return false; }
};

struct KeyCase {
    const char* key;
    const char* cipher;
};

// Variable-key known-answer test of the AES submission (ecb_vk.txt, KEYSIZE=256), plaintext zero.
const KeyCase kVariableKey[] = {
    {"8000000000000000000000000000000000000000000000000000000000000000", "E35A6DCB19B201A01EBCFA8AA22B5759"},
    {"4000000000000000000000000000000000000000000000000000000000000000", "5075C2405B76F22F553488CAE47CE90B"},
    {"2000000000000000000000000000000000000000000000000000000000000000", "49DF95D844A0145A7DE01C91793302D3"},
    {"1000000000000000000000000000000000000000000000000000000000000000", "E7396D778E940B8418A86120E5F421FE"},
    {"0800000000000000000000000000000000000000000000000000000000000000", "05F535C36FCEDE4657BE37F4087DB1EF"},
    {"0400000000000000000000000000000000000000000000000000000000000000", "D0C1DDDD10DA777C68AB36AF51F2C204"},
    {"0200000000000000000000000000000000000000000000000000000000000000", "1C55FB811B5C6464C4E5DE1535A75514"},
    {"0100000000000000000000000000000000000000000000000000000000000000", "52917F3AE957D5230D3A2AF57C7B5A71"},
    {"0000000100000000000000000000000000000000000000000000000000000000", "0B777F02FD18DCE2646DCFE868DFAFAD"},
    {"0000000000010000000000000000000000000000000000000000000000000000", "364E20A234FEA385D48DC5A09C9E70CF"},
    // NIST AESAVS VarKey (ECBVarKey256.rsp): leading one bits.
    {"C000000000000000000000000000000000000000000000000000000000000000", "B29169CDCF2D83E838125A12EE6AA400"},
    {"E000000000000000000000000000000000000000000000000000000000000000", "D8F3A72FC3CDF74DFAF6C3E6B97B2FA6"},
    {"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", "4BF85F1B5D54ADBC307B0A048389ADCB"},
};

// NIST SP 800-38A, F.2.5 and F.2.6.
const char kCbcKey[] = "603DEB1015CA71BE2B73AEF0857D77811F352C073B6108D72D9810A30914DFF4";
const char kCbcIv[] = "000102030405060708090A0B0C0D0E0F";
const char kCbcPlain[] = "6BC1BEE22E409F96E93D7E117393172AAE2D8A571E03AC9C9EB76FAC45AF8E51"
                         "30C81C46A35CE411E5FBC1191A0A52EFF69F2445DF4F9B17AD2B417BE66C3710";
const char kCbcCipher[] = "F58C4C04D6E5F1BA779EABFB5F7BFBD69CFC4E967EDB808D679F777BC6702C7D"
                          "39F23369A9D9BACFA530E26304231461B2EB05E2C39BE9FCDA6C19078C6A9D1B";

Bytes OpenSslAes256(const EVP_CIPHER* mode, const Bytes& key, const Bytes& iv, const Bytes& input, bool encrypt) {
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                            &EVP_CIPHER_CTX_free);
    Bytes output(input.size() + 16);
    int written = 0;
    int last = 0;
    EXPECT_EQ(1, EVP_CipherInit_ex(context.get(), mode, nullptr, key.data(), iv.empty() ? nullptr : iv.data(),
                                   encrypt ? 1 : 0));
    EVP_CIPHER_CTX_set_padding(context.get(), 0);
    EXPECT_EQ(1, EVP_CipherUpdate(context.get(), output.data(), &written, input.data(),
                                  static_cast<int>(input.size())));
    EXPECT_EQ(1, EVP_CipherFinal_ex(context.get(), output.data() + written, &last));
    output.resize(static_cast<std::size_t>(written + last));
    return output;
}

} // namespace

TEST(Rijndael256, VariableKeyKnownAnswersBothWays) {
    Rijndael256 cipher;
    for (const KeyCase& c : kVariableKey) {
        SCOPED_TRACE(c.key);
        const Bytes key = FromHex(c.key);
        Bytes block(16, 0);
        cipher.InitializeCipher(key.data(), key.size());
        EXPECT_EQ(cipher.GetRounds(), 14u);
        cipher.BlockEncrypt(block.data(), block.size());
        EXPECT_EQ(ToHex(block), c.cipher);
        cipher.BlockDecrypt(block.data(), block.size());
        EXPECT_EQ(block, Bytes(16, 0));
        cipher.ClearKey();
    }
}

TEST(Rijndael256, Fips197ExampleVectorsForEveryKeyLength) {
    const Bytes plain = FromHex("00112233445566778899AABBCCDDEEFF");
    const struct {
        std::size_t keyLength;
        unsigned rounds;
        const char* cipher;
    } cases[] = {
        {16, 10, "69C4E0D86A7B0430D8CDB78070B4C55A"},
        {24, 12, "DDA97CA4864CDFE06EAF70A0EC0D7191"},
        {32, 14, "8EA2B7CA516745BFEAFC49904B496089"},
    };
    Bytes key(32);
    for (std::size_t i = 0; i < key.size(); ++i) {
        key[i] = static_cast<std::uint8_t>(i);
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keyLength);
        RijndaelWithKeyLength cipher(c.keyLength);
        cipher.InitializeCipher(key.data(), c.keyLength);
        EXPECT_EQ(cipher.GetRounds(), c.rounds);
        Bytes block = plain;
        cipher.BlockEncrypt(block.data(), block.size());
        EXPECT_EQ(ToHex(block), c.cipher);
        cipher.BlockDecrypt(block.data(), block.size());
        EXPECT_EQ(block, plain);
    }
}

TEST(Rijndael256, Sp80038aCbcExampleBothWays) {
    const Bytes key = FromHex(kCbcKey);
    const Bytes iv = FromHex(kCbcIv);
    Rijndael256 cipher;
    cipher.InitializeCipher(key.data(), key.size());
    Bytes buffer = FromHex(kCbcPlain);
    cipher.BlockEncryptInCBCMode(buffer.data(), buffer.size(), iv.data(), iv.size());
    EXPECT_EQ(ToHex(buffer), kCbcCipher);
    cipher.BlockDecryptInCBCMode(buffer.data(), buffer.size(), iv.data(), iv.size());
    EXPECT_EQ(ToHex(buffer), kCbcPlain);

    // Longer vectors: only the first 16 bytes chain.
    Bytes longIv = iv;
    longIv.resize(32, 0xEE);
    cipher.BlockEncryptInCBCMode(buffer.data(), buffer.size(), longIv.data(), longIv.size());
    EXPECT_EQ(ToHex(buffer), kCbcCipher);

    // Each block decrypts on its own given the previous ciphertext block as vector.
    Bytes third(buffer.begin() + 32, buffer.begin() + 48);
    cipher.BlockDecryptInCBCMode(third.data(), third.size(), buffer.data() + 16, 16);
    EXPECT_EQ(ToHex(third), std::string(kCbcPlain).substr(64, 32));
}

TEST(Rijndael256, MatchesOpenSslOnRandomData) {
    for (std::size_t blocks : {1u, 2u, 3u, 17u, 256u, 4099u}) {
        SCOPED_TRACE(blocks);
        Bytes key(32), iv(16), plain(16 * blocks);
        ASSERT_EQ(1, RAND_bytes(key.data(), static_cast<int>(key.size())));
        ASSERT_EQ(1, RAND_bytes(iv.data(), static_cast<int>(iv.size())));
        ASSERT_EQ(1, RAND_bytes(plain.data(), static_cast<int>(plain.size())));

        Rijndael256 cipher;
        cipher.InitializeCipher(key.data(), key.size());

        Bytes cbc = plain;
        cipher.BlockEncryptInCBCMode(cbc.data(), cbc.size(), iv.data(), iv.size());
        EXPECT_EQ(cbc, OpenSslAes256(EVP_aes_256_cbc(), key, iv, plain, true));
        EXPECT_EQ(OpenSslAes256(EVP_aes_256_cbc(), key, iv, cbc, false), plain);
        cipher.BlockDecryptInCBCMode(cbc.data(), cbc.size(), iv.data(), iv.size());
        EXPECT_EQ(cbc, plain);

        Bytes ecb = plain;
        cipher.BlockEncrypt(ecb.data(), ecb.size());
        EXPECT_EQ(ecb, OpenSslAes256(EVP_aes_256_ecb(), key, {}, plain, true));
        cipher.BlockDecrypt(ecb.data(), ecb.size());
        EXPECT_EQ(ecb, plain);

        // Ciphertext made by OpenSSL decrypts here.
        Bytes foreign = OpenSslAes256(EVP_aes_256_cbc(), key, iv, plain, true);
        cipher.BlockDecryptInCBCMode(foreign.data(), foreign.size(), iv.data(), iv.size());
        EXPECT_EQ(foreign, plain);
    }
}

TEST(Rijndael256, BlocksAndChaining) {
    const Bytes key = Pattern(32, 21);
    const Bytes iv = Pattern(16, 22);
    Rijndael256 cipher;
    EXPECT_EQ(cipher.GetBlockSize(), 16u);
    EXPECT_EQ(cipher.GetKeySize(), 32u);
    cipher.InitializeCipher(key.data(), key.size());

    // 48 bytes are three blocks.
    const Bytes plain = Pattern(48, 23);
    Bytes whole = plain;
    cipher.BlockEncrypt(whole.data(), whole.size());
    for (std::size_t i = 0; i < 48; i += 16) {
        Bytes single(plain.begin() + i, plain.begin() + i + 16);
        cipher.BlockEncrypt(single.data(), single.size());
        EXPECT_EQ(0, std::memcmp(single.data(), whole.data() + i, 16));
    }

    Bytes twice(32, 0xA5);
    cipher.BlockEncrypt(twice.data(), twice.size());
    EXPECT_EQ(0, std::memcmp(twice.data(), twice.data() + 16, 16));
    Bytes chained(32, 0xA5);
    cipher.BlockEncryptInCBCMode(chained.data(), chained.size(), iv.data(), iv.size());
    EXPECT_NE(0, std::memcmp(chained.data(), chained.data() + 16, 16));

    // The vector may lie inside the buffer it chains.
    Bytes overlapping = Pattern(64, 24);
    Bytes expected(overlapping.begin() + 16, overlapping.end());
    const Bytes vector(overlapping.begin(), overlapping.begin() + 16);
    cipher.BlockEncryptInCBCMode(expected.data(), expected.size(), vector.data(), vector.size());
    cipher.BlockEncryptInCBCMode(overlapping.data() + 16, 48, overlapping.data(), 16);
    EXPECT_EQ(Bytes(overlapping.begin() + 16, overlapping.end()), expected);
}

TEST(Rijndael256, KeyRefusalsAndTheirTexts) {
    const Bytes key = Pattern(40, 31);
    Rijndael256 cipher;
    const Failure keySize{u"", u"CipherBase::VerifyKeySize"};
    const Failure exact{u"invalid key size", u"RijndaelBase::AssureExtactKeySize"};
    EXPECT_EQ(FailureOf([&] { cipher.InitializeCipher(key.data(), 0); }), keySize);
    EXPECT_EQ(FailureOf([&] { cipher.InitializeCipher(key.data(), 33); }), keySize);
    EXPECT_EQ(FailureOf([&] { cipher.InitializeCipher(nullptr, 32); }), keySize);
    // AES-128 and AES-192 lengths are valid AES but not this cipher's.
    EXPECT_EQ(FailureOf([&] { cipher.InitializeCipher(key.data(), 16); }), exact);
    EXPECT_EQ(FailureOf([&] { cipher.InitializeCipher(key.data(), 24); }), exact);
    EXPECT_EQ(FailureOf([&] { cipher.InitializeCipher(key.data(), 31); }), exact);
    EXPECT_TRUE(cipher.IsCleared());

    // A fixed length that is no AES key length.
    RijndaelWithKeyLength odd(20);
    EXPECT_EQ(FailureOf([&] { odd.InitializeCipher(key.data(), 20); }),
              (Failure{u"invalid key size", u"RijndaelBase::InitializeCipher"}));
    EXPECT_EQ(FailureOf([&] { odd.InitializeCipher(key.data(), 16); }), exact);
    RijndaelWithKeyLength tooLong(40);
    EXPECT_EQ(FailureOf([&] { tooLong.InitializeCipher(key.data(), 40); }),
              (Failure{u"invalid key size", u"RijndaelBase::InitializeCipher"}));
    EXPECT_TRUE(tooLong.IsCleared());
}

TEST(Rijndael256, BufferRefusalsAndTheirTexts) {
    const Bytes key = Pattern(32, 41);
    const Bytes iv = Pattern(16, 42);
    Rijndael256 cipher;
    cipher.InitializeCipher(key.data(), key.size());
    const Bytes original = Pattern(32, 43);
    Bytes buffer = original;

    const Failure blockSize{u"", u"CipherBase::VerifyValidBlockSize"};
    Bytes odd = Pattern(20, 44);
    const Bytes oddOriginal = odd;
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncrypt(odd.data(), odd.size()); }), blockSize);
    EXPECT_EQ(FailureOf([&] { cipher.BlockDecrypt(odd.data(), odd.size()); }), blockSize);
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncryptInCBCMode(odd.data(), odd.size(), iv.data(), 16); }), blockSize);
    EXPECT_EQ(FailureOf([&] { cipher.BlockDecryptInCBCMode(odd.data(), 8, iv.data(), 16); }), blockSize);
    EXPECT_EQ(odd, oddOriginal);

    // The block-size check comes first, then the buffer check.
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncrypt(nullptr, 8); }), blockSize);
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncrypt(nullptr, 16); }), (Failure{u"", u"RijndaelBase::BlockEncrypt"}));
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncrypt(buffer.data(), 0); }), (Failure{u"", u"RijndaelBase::BlockEncrypt"}));
    EXPECT_EQ(FailureOf([&] { cipher.BlockDecrypt(nullptr, 16); }), (Failure{u"", u"RijndaelBase::BlockDecrypt"}));
    EXPECT_EQ(FailureOf([&] { cipher.BlockDecrypt(buffer.data(), 0); }), (Failure{u"", u"RijndaelBase::BlockDecrypt"}));
    const Failure cbcEncrypt{u"", u"RijndaelBase::BlockEncryptInCBCMode"};
    const Failure cbcDecrypt{u"", u"RijndaelBase::BlockDecryptInCBCMode"};
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncryptInCBCMode(nullptr, 16, iv.data(), 16); }), cbcEncrypt);
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncryptInCBCMode(buffer.data(), 0, iv.data(), 16); }), cbcEncrypt);
    // The buffer check comes before the vector check.
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncryptInCBCMode(buffer.data(), 0, nullptr, 0); }), cbcEncrypt);
    EXPECT_EQ(FailureOf([&] { cipher.BlockDecryptInCBCMode(nullptr, 16, iv.data(), 16); }), cbcDecrypt);
    EXPECT_EQ(FailureOf([&] { cipher.BlockDecryptInCBCMode(buffer.data(), 0, iv.data(), 16); }), cbcDecrypt);

    const Failure nullIv{u"Der Initialisierungsvektor darf nicht NULL sein.", u"CipherBase::VerifyIVMinimumSize"};
    const Failure shortIv{u"Ungültige Größe des Initialisierungsvektor.", u"CipherBase::VerifyIVMinimumSize"};
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncryptInCBCMode(buffer.data(), buffer.size(), nullptr, 16); }), nullIv);
    EXPECT_EQ(FailureOf([&] { cipher.BlockDecryptInCBCMode(buffer.data(), buffer.size(), nullptr, 16); }), nullIv);
    // An 8-byte vector is enough for Blowfish but not for AES.
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncryptInCBCMode(buffer.data(), buffer.size(), iv.data(), 8); }), shortIv);
    EXPECT_EQ(FailureOf([&] { cipher.BlockDecryptInCBCMode(buffer.data(), buffer.size(), iv.data(), 15); }), shortIv);
    EXPECT_EQ(buffer, original);
}

TEST(Rijndael256, ClearKeyWipesAndRequiresRekeying) {
    const Bytes key = Pattern(32, 51);
    const Bytes iv = Pattern(16, 52);
    alignas(Rijndael256) unsigned char storage[sizeof(Rijndael256)];
    auto* cipher = new (storage) Rijndael256();
    cipher->InitializeCipher(key.data(), key.size());
    Bytes buffer = Pattern(32, 53);
    cipher->BlockEncryptInCBCMode(buffer.data(), buffer.size(), iv.data(), iv.size());
    EXPECT_GT(CountNonZero(storage, sizeof storage), 200u);

    cipher->ClearKey();
    EXPECT_TRUE(cipher->IsCleared());
    EXPECT_EQ(cipher->GetRounds(), 0u);
    // Schedule and chaining state are gone; the vtable pointer, flag and fixed length remain.
    EXPECT_LE(CountNonZero(storage, sizeof storage), 16u);

    const Bytes original = buffer;
    const Failure unkeyed{u"", u"CipherBase::VerifyKeyInitialized"};
    EXPECT_EQ(FailureOf([&] { cipher->BlockEncrypt(buffer.data(), buffer.size()); }), unkeyed);
    EXPECT_EQ(FailureOf([&] { cipher->BlockDecrypt(buffer.data(), buffer.size()); }), unkeyed);
    EXPECT_EQ(FailureOf([&] { cipher->BlockEncryptInCBCMode(buffer.data(), buffer.size(), iv.data(), 16); }), unkeyed);
    EXPECT_EQ(FailureOf([&] { cipher->BlockDecryptInCBCMode(buffer.data(), buffer.size(), iv.data(), 16); }), unkeyed);
    EXPECT_EQ(buffer, original);

    cipher->InitializeCipher(key.data(), key.size());
    cipher->BlockDecryptInCBCMode(buffer.data(), buffer.size(), iv.data(), iv.size());
    EXPECT_EQ(buffer, Pattern(32, 53));

    // A failed re-key leaves no usable key behind.
    EXPECT_EQ(FailureOf([&] { cipher->InitializeCipher(key.data(), 16); }).target,
              u"RijndaelBase::AssureExtactKeySize");
    EXPECT_TRUE(cipher->IsCleared());
    EXPECT_EQ(FailureOf([&] { cipher->BlockEncrypt(buffer.data(), buffer.size()); }), unkeyed);

    // The destructor wipes a key that was never cleared.
    cipher->InitializeCipher(key.data(), key.size());
    cipher->~Rijndael256();
    EXPECT_LE(CountNonZero(storage, sizeof storage), 16u);
}

TEST(Rijndael256, SelfTests) {
    Rijndael256 cipher;
    EXPECT_TRUE(cipher.SelfTest());
    EXPECT_TRUE(cipher.SelfTestCBC());
    EXPECT_TRUE(cipher.IsCleared());
}
