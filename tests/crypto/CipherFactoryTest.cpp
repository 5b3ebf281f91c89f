#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "CipherTestSupport.h"
#include "crypto/Blowfish.h"
#include "crypto/CipherBaseFactory.h"
#include "crypto/Rijndael256.h"

using CryptoServiceProvider::Encryption::Blowfish;
using CryptoServiceProvider::Encryption::CipherBase;
using CryptoServiceProvider::Encryption::CipherBaseFactory;
using CryptoServiceProvider::Encryption::Rijndael256;
using namespace CipherTest;

TEST(CipherBaseFactory, MapsTheStoredIdentifiers) {
    std::unique_ptr<CipherBase> blowfish = CipherBaseFactory(0);
    ASSERT_NE(blowfish, nullptr);
    EXPECT_NE(dynamic_cast<Blowfish*>(blowfish.get()), nullptr);
    EXPECT_EQ(blowfish->GetBlockSize(), 8u);
    EXPECT_EQ(blowfish->GetKeySize(), 56u);
    EXPECT_TRUE(blowfish->IsCleared());

    std::unique_ptr<CipherBase> aes = CipherBaseFactory::Create(1);
    ASSERT_NE(aes, nullptr);
    EXPECT_NE(dynamic_cast<Rijndael256*>(aes.get()), nullptr);
    EXPECT_EQ(aes->GetBlockSize(), 16u);
    EXPECT_EQ(aes->GetKeySize(), 32u);

    CipherBaseFactory factory(1);
    std::unique_ptr<CipherBase> taken = factory.Release();
    EXPECT_NE(taken, nullptr);
    EXPECT_EQ(factory.Release(), nullptr);

    EXPECT_EQ(CipherBaseFactory::GetDisplayName(0), u"Blowfish (448-Bit)");
    EXPECT_EQ(CipherBaseFactory::GetDisplayName(1), u"AES (Rijndael 256-Bit)");
}

TEST(CipherBaseFactory, RefusesUnknownIdentifiers) {
    const Failure unknown{u"", u"CipherBaseFactory::CipherBaseFactory"};
    for (std::int32_t identifier : {-1, 2, 3, 255, INT_MAX, INT_MIN}) {
        SCOPED_TRACE(identifier);
        EXPECT_EQ(FailureOf([&] { CipherBaseFactory factory(identifier); }), unknown);
        EXPECT_EQ(FailureOf([&] { (void)CipherBaseFactory::Create(identifier); }), unknown);
        EXPECT_EQ(FailureOf([&] { (void)CipherBaseFactory::GetDisplayName(identifier); }).target,
                  u"CipherBaseFactory::GetDisplayName");
    }
}

// The callers' pattern through the interface: key, one call, clear.
TEST(CipherBaseFactory, EveryCipherThroughTheInterface) {
    for (std::int32_t identifier : {0, 1}) {
        SCOPED_TRACE(identifier);
        std::unique_ptr<CipherBase> cipher = CipherBaseFactory(identifier);
        const std::size_t block = cipher->GetBlockSize();
        const Bytes key = Pattern(cipher->GetKeySize(), 61);
        const Bytes iv = Pattern(16, 62);

        EXPECT_TRUE(cipher->SelfTest());
        EXPECT_TRUE(cipher->SelfTestCBC());

        // A 48-byte buffer is whole blocks for both; 20 bytes for neither.
        const Bytes plain = Pattern(48, 63);
        Bytes buffer = plain;
        cipher->InitializeCipher(key.data(), key.size());
        cipher->BlockEncryptInCBCMode(buffer.data(), buffer.size(), iv.data(), iv.size());
        cipher->ClearKey();
        EXPECT_NE(buffer, plain);

        cipher->InitializeCipher(key.data(), key.size());
        cipher->BlockDecryptInCBCMode(buffer.data(), buffer.size(), iv.data(), iv.size());
        cipher->ClearKey();
        EXPECT_EQ(buffer, plain);

        cipher->InitializeCipher(key.data(), key.size());
        cipher->BlockEncrypt(buffer.data(), buffer.size());
        cipher->ClearKey();
        cipher->InitializeCipher(key.data(), key.size());
        cipher->BlockDecrypt(buffer.data(), buffer.size());
        cipher->ClearKey();
        EXPECT_EQ(buffer, plain);

        Bytes odd(20, 1);
        cipher->InitializeCipher(key.data(), key.size());
        EXPECT_EQ(FailureOf([&] { cipher->BlockEncrypt(odd.data(), odd.size()); }).target,
                  u"CipherBase::VerifyValidBlockSize");
        EXPECT_EQ(odd, Bytes(20, 1));

        // A key one byte too long is refused by both.
        const Bytes tooLong = Pattern(cipher->GetKeySize() + 1, 64);
        EXPECT_EQ(FailureOf([&] { cipher->InitializeCipher(tooLong.data(), tooLong.size()); }).target,
                  u"CipherBase::VerifyKeySize");
        EXPECT_EQ(block, identifier == 0 ? 8u : 16u);
    }
}
