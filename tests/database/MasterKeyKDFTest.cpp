#include <gtest/gtest.h>

#include <thread>

#include "database/MasterKeyKDF.h"
#include "base/exceptions/DBException.h"
#include "support/ReferenceCrypto.h"

using EmberkiteDatabase::DBError;
using EmberkiteDatabase::DBException;
using EmberkiteDatabase::KeyStore;
using EmberkiteDatabase::MasterKeyKDF;
using namespace TestSupport::Reference;

namespace {

const Bytes kSalt = [] {
    Bytes salt(32);
    for (std::size_t i = 0; i < salt.size(); ++i) {
        salt[i] = static_cast<std::uint8_t>(0xA0 + i * 7);
    }
    return salt;
}();

Bytes Derive(std::u16string_view password, std::int16_t rounds, std::size_t k, const Bytes& salt = kSalt) {
    KeyStore store;
    MasterKeyKDF(password, rounds).Derive(store, k, salt.data(), salt.size());
    return Bytes(store.Data(), store.Data() + store.Length());
}

} // namespace

TEST(MasterKeyKDF, ZeroRoundsIsTwoHashes) {
    Bytes inner = Digest(EVP_sha512(), Utf16Le(u"Passwort"));
    inner.insert(inner.end(), kSalt.begin(), kSalt.end());
    const Bytes expected = Digest(EVP_sha512(), inner);
    EXPECT_EQ(Derive(u"Passwort", 0, 64), expected);
}

TEST(MasterKeyKDF, MatchesTheReference) {
    for (const std::int16_t rounds : {std::int16_t{1}, std::int16_t{7}, std::int16_t{1000}}) {
        EXPECT_EQ(Derive(u"P@ß wörd!{} €", rounds, 32), DeriveKey(u"P@ß wörd!{} €", kSalt, rounds, 32)) << rounds;
    }
    // An empty password hashes zero bytes and still derives.
    EXPECT_EQ(Derive(u"", 1000, 32), DeriveKey(u"", kSalt, 1000, 32));
}

TEST(MasterKeyKDF, KeySizesArePrefixes) {
    const Bytes full = Derive(u"geheim", 1000, 64);
    const Bytes blowfish = Derive(u"geheim", 1000, 56);
    const Bytes aes = Derive(u"geheim", 1000, 32);
    EXPECT_EQ(blowfish, Bytes(full.begin(), full.begin() + 56));
    EXPECT_EQ(aes, Bytes(full.begin(), full.begin() + 32));
}

TEST(MasterKeyKDF, SaltAndPasswordMatter) {
    Bytes otherSalt = kSalt;
    otherSalt[31] ^= 1;
    EXPECT_NE(Derive(u"geheim", 10, 32), Derive(u"geheim", 10, 32, otherSalt));
    EXPECT_NE(Derive(u"geheim", 10, 32), Derive(u"Geheim", 10, 32));
}

TEST(MasterKeyKDF, SameKeyOnEveryRunAndInterleaving) {
    const Bytes first = Derive(u"stabil", 1000, 32);
    std::vector<std::thread> threads;
    std::vector<Bytes> results(4);
    for (std::size_t t = 0; t < results.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 5; ++i) {
                results[t] = Derive(u"stabil", 1000, 32);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (const auto& result : results) {
        EXPECT_EQ(result, first);
    }
}

TEST(MasterKeyKDF, KeysLongerThanTheHashAreRefused) {
    KeyStore store;
    try {
        MasterKeyKDF(u"x", 1000).Derive(store, 65, kSalt.data(), kSalt.size());
        FAIL();
    } catch (const DBException& e) {
        EXPECT_EQ(e.GetErrorCode(), DBError::KeyTooLong);
    }
    EXPECT_TRUE(store.IsEmpty());
}
