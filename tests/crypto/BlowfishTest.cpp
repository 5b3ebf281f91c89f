#include <gtest/gtest.h>

#include <cstring>
#include <new>

#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/blowfish.h>

#include "CipherTestSupport.h"
#include "crypto/Blowfish.h"

using CryptoServiceProvider::Encryption::Blowfish;
using namespace CipherTest;

namespace {

struct EcbCase {
    const char* key;
    const char* plain;
    const char* cipher;
};

// Eric Young's ECB test data, published with the algorithm (8-byte keys).
const EcbCase kEcbCases[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
    {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
    {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
    {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
    {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
    {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
    {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
    {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
    {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
    {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
    {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
    {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
    {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
};

// Same set, variable key length: the first n bytes of one key, plaintext FEDCBA9876543210.
const char kSetKeyKey[] = "F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677";
const char* const kSetKeyCiphers[24] = {
    "F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05", "B39E44481BDB1E6E",
    "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82", "15750E7A4F4EC577", "122BA70B3AB64AE0",
    "3A833C9AFFC537F6", "9409DA87A90F6BF2", "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F",
    "93142887EE3BE15C", "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
    "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080",
};

// The chaining-mode data of the same set: "7654321 Now is the time for " and four NULs.
const char kCbcKey[] = "0123456789ABCDEFF0E1D2C3B4A59687";
const char kCbcIv[] = "FEDCBA9876543210";
const char kCbcPlain[] = "37363534333231204E6F77206973207468652074696D6520666F722000000000";
const char kCbcCipher[] = "6B77B4D63006DEE605B156E27403979358DEB9E7154616D959F1652BD5FF92CC";

} // namespace

TEST(Blowfish, PublishedEcbVectorsBothWays) {
    Blowfish cipher;
    for (const EcbCase& c : kEcbCases) {
        SCOPED_TRACE(c.key);
        const Bytes key = FromHex(c.key);
        Bytes block = FromHex(c.plain);
        cipher.InitializeCipher(key.data(), key.size());
        cipher.BlockEncrypt(block.data(), block.size());
        EXPECT_EQ(ToHex(block), c.cipher);
        cipher.BlockDecrypt(block.data(), block.size());
        EXPECT_EQ(ToHex(block), c.plain);
        cipher.ClearKey();
    }
}

TEST(Blowfish, PublishedVariableKeyLengthVectors) {
    const Bytes fullKey = FromHex(kSetKeyKey);
    const Bytes plain = FromHex("FEDCBA9876543210");
    Blowfish cipher;
    for (std::size_t length = 1; length <= 24; ++length) {
        SCOPED_TRACE(length);
        Bytes block = plain;
        cipher.InitializeCipher(fullKey.data(), length);
        cipher.BlockEncrypt(block.data(), block.size());
        EXPECT_EQ(ToHex(block), kSetKeyCiphers[length - 1]);
        cipher.BlockDecrypt(block.data(), block.size());
        EXPECT_EQ(block, plain);
    }
}

TEST(Blowfish, PublishedCbcVectorBothWays) {
    const Bytes key = FromHex(kCbcKey);
    const Bytes iv = FromHex(kCbcIv);
    Bytes buffer = FromHex(kCbcPlain);
    Blowfish cipher;
    cipher.InitializeCipher(key.data(), key.size());
    cipher.BlockEncryptInCBCMode(buffer.data(), buffer.size(), iv.data(), iv.size());
    EXPECT_EQ(ToHex(buffer), kCbcCipher);
    cipher.BlockDecryptInCBCMode(buffer.data(), buffer.size(), iv.data(), iv.size());
    EXPECT_EQ(ToHex(buffer), kCbcPlain);

    // A 16-byte vector: only its first 8 bytes chain.
    Bytes longIv = iv;
    longIv.insert(longIv.end(), {0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04});
    cipher.BlockEncryptInCBCMode(buffer.data(), buffer.size(), longIv.data(), longIv.size());
    EXPECT_EQ(ToHex(buffer), kCbcCipher);
}

TEST(Blowfish, MatchesOpenSslWithFullLengthKeys) {
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        const Bytes key = Pattern(56, seed);
        const Bytes iv = Pattern(8, seed + 100);
        const Bytes plain = Pattern(8 * (seed * 37), seed + 200);

        BF_KEY reference;
        BF_set_key(&reference, static_cast<int>(key.size()), key.data());
        Bytes expectedEcb(plain.size());
        for (std::size_t i = 0; i < plain.size(); i += 8) {
            BF_ecb_encrypt(plain.data() + i, expectedEcb.data() + i, &reference, BF_ENCRYPT);
        }
        Bytes expectedCbc(plain.size());
        Bytes referenceIv = iv;
        BF_cbc_encrypt(plain.data(), expectedCbc.data(), static_cast<long>(plain.size()), &reference,
                       referenceIv.data(), BF_ENCRYPT);

        Blowfish cipher;
        cipher.InitializeCipher(key.data(), key.size());
        Bytes ecb = plain;
        cipher.BlockEncrypt(ecb.data(), ecb.size());
        EXPECT_EQ(ecb, expectedEcb);
        Bytes cbc = plain;
        cipher.BlockEncryptInCBCMode(cbc.data(), cbc.size(), iv.data(), iv.size());
        EXPECT_EQ(cbc, expectedCbc);
        cipher.BlockDecryptInCBCMode(cbc.data(), cbc.size(), iv.data(), iv.size());
        EXPECT_EQ(cbc, plain);
        cipher.BlockDecrypt(ecb.data(), ecb.size());
        EXPECT_EQ(ecb, plain);
    }
}

TEST(Blowfish, BlocksAndChaining) {
    const Bytes key = Pattern(56, 7);
    const Bytes iv = Pattern(8, 8);
    Blowfish cipher;
    EXPECT_EQ(cipher.GetBlockSize(), 8u);
    EXPECT_EQ(cipher.GetKeySize(), 56u);
    cipher.InitializeCipher(key.data(), key.size());

    // 48 bytes are six blocks, each enciphered on its own.
    const Bytes plain = Pattern(48, 9);
    Bytes whole = plain;
    cipher.BlockEncrypt(whole.data(), whole.size());
    for (std::size_t i = 0; i < 48; i += 8) {
        Bytes single(plain.begin() + i, plain.begin() + i + 8);
        cipher.BlockEncrypt(single.data(), single.size());
        EXPECT_EQ(0, std::memcmp(single.data(), whole.data() + i, 8));
    }

    // Equal blocks stay equal without chaining and differ with it.
    Bytes twice(16, 0x5A);
    cipher.BlockEncrypt(twice.data(), twice.size());
    EXPECT_EQ(0, std::memcmp(twice.data(), twice.data() + 8, 8));
    Bytes chained(16, 0x5A);
    cipher.BlockEncryptInCBCMode(chained.data(), chained.size(), iv.data(), iv.size());
    EXPECT_NE(0, std::memcmp(chained.data(), chained.data() + 8, 8));

    // Nothing to do for an empty buffer.
    cipher.BlockEncrypt(nullptr, 0);
    cipher.BlockDecryptInCBCMode(nullptr, 0, iv.data(), iv.size());
}

TEST(Blowfish, RefusalsAndTheirTexts) {
    const Bytes key = Pattern(56, 3);
    const Bytes iv = Pattern(8, 4);
    Blowfish cipher;
    const Failure keySize{u"", u"CipherBase::VerifyKeySize"};
    EXPECT_EQ(FailureOf([&] { cipher.InitializeCipher(key.data(), 0); }), keySize);
    EXPECT_EQ(FailureOf([&] { cipher.InitializeCipher(key.data(), 57); }), keySize);
    EXPECT_EQ(FailureOf([&] { cipher.InitializeCipher(nullptr, 8); }), keySize);
    cipher.InitializeCipher(key.data(), 1); // the shortest key is fine
    cipher.InitializeCipher(key.data(), 56);

    const Bytes original = Pattern(24, 5);
    Bytes buffer = original;
    Bytes odd = Pattern(20, 6);
    const Bytes oddOriginal = odd;
    const Failure blockSize{u"", u"CipherBase::VerifyValidBlockSize"};
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncrypt(odd.data(), odd.size()); }), blockSize);
    EXPECT_EQ(FailureOf([&] { cipher.BlockDecrypt(odd.data(), odd.size()); }), blockSize);
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncryptInCBCMode(odd.data(), odd.size(), iv.data(), 8); }), blockSize);
    EXPECT_EQ(FailureOf([&] { cipher.BlockDecryptInCBCMode(odd.data(), odd.size(), iv.data(), 8); }), blockSize);
    EXPECT_EQ(odd, oddOriginal);

    const Failure nullIv{u"Der Initialisierungsvektor darf nicht NULL sein.", u"CipherBase::VerifyIVMinimumSize"};
    const Failure shortIv{u"Ungültige Größe des Initialisierungsvektor.", u"CipherBase::VerifyIVMinimumSize"};
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncryptInCBCMode(buffer.data(), buffer.size(), nullptr, 8); }), nullIv);
    EXPECT_EQ(FailureOf([&] { cipher.BlockDecryptInCBCMode(buffer.data(), buffer.size(), nullptr, 8); }), nullIv);
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncryptInCBCMode(buffer.data(), buffer.size(), iv.data(), 7); }), shortIv);
    EXPECT_EQ(FailureOf([&] { cipher.BlockDecryptInCBCMode(buffer.data(), buffer.size(), iv.data(), 0); }), shortIv);

    // A missing buffer with a length would be written through.
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncrypt(nullptr, 8); }), (Failure{u"", u"Blowfish::BlockEncrypt"}));
    EXPECT_EQ(FailureOf([&] { cipher.BlockDecrypt(nullptr, 8); }), (Failure{u"", u"Blowfish::BlockDecrypt"}));
    EXPECT_EQ(FailureOf([&] { cipher.BlockEncryptInCBCMode(nullptr, 8, iv.data(), 8); }),
              (Failure{u"", u"Blowfish::BlockEncryptInCBCMode"}));
    EXPECT_EQ(FailureOf([&] { cipher.BlockDecryptInCBCMode(nullptr, 8, iv.data(), 8); }),
              (Failure{u"", u"Blowfish::BlockDecryptInCBCMode"}));
    EXPECT_EQ(buffer, original);
}

TEST(Blowfish, ClearKeyWipesAndRequiresRekeying) {
    const Bytes key = Pattern(56, 11);
    const Bytes iv = Pattern(8, 12);
    alignas(Blowfish) unsigned char storage[sizeof(Blowfish)];
    auto* cipher = new (storage) Blowfish();
    EXPECT_TRUE(cipher->IsCleared());
    cipher->InitializeCipher(key.data(), key.size());
    EXPECT_FALSE(cipher->IsCleared());
    EXPECT_GT(CountNonZero(storage, sizeof storage), sizeof storage / 2);

    cipher->ClearKey();
    EXPECT_TRUE(cipher->IsCleared());
    // Only the vtable pointer and the flag are left.
    EXPECT_LE(CountNonZero(storage, sizeof storage), 16u);

    Bytes buffer = Pattern(16, 13);
    const Bytes original = buffer;
    const Failure unkeyed{u"", u"CipherBase::VerifyKeyInitialized"};
    EXPECT_EQ(FailureOf([&] { cipher->BlockEncrypt(buffer.data(), buffer.size()); }), unkeyed);
    EXPECT_EQ(FailureOf([&] { cipher->BlockDecrypt(buffer.data(), buffer.size()); }), unkeyed);
    EXPECT_EQ(FailureOf([&] { cipher->BlockEncryptInCBCMode(buffer.data(), buffer.size(), iv.data(), 8); }), unkeyed);
    EXPECT_EQ(FailureOf([&] { cipher->BlockDecryptInCBCMode(buffer.data(), buffer.size(), iv.data(), 8); }), unkeyed);
    EXPECT_EQ(buffer, original);

    // Keyed again, it works as before.
    cipher->InitializeCipher(key.data(), key.size());
    cipher->BlockEncrypt(buffer.data(), buffer.size());
    cipher->BlockDecrypt(buffer.data(), buffer.size());
    EXPECT_EQ(buffer, original);

    // A failed re-key leaves no usable key behind.
    EXPECT_EQ(FailureOf([&] { cipher->InitializeCipher(key.data(), 0); }).target, u"CipherBase::VerifyKeySize");
    EXPECT_TRUE(cipher->IsCleared());
    EXPECT_EQ(FailureOf([&] { cipher->BlockEncrypt(buffer.data(), buffer.size()); }), unkeyed);

    // The destructor wipes a key that was never cleared.
    cipher->InitializeCipher(key.data(), key.size());
    cipher->~Blowfish();
    EXPECT_LE(CountNonZero(storage, sizeof storage), 16u);
}

TEST(Blowfish, SelfTests) {
    Blowfish cipher;
    EXPECT_TRUE(cipher.SelfTest());
    EXPECT_TRUE(cipher.SelfTestCBC());
    // They run on objects of their own and leave this one alone.
    EXPECT_TRUE(cipher.IsCleared());
}
