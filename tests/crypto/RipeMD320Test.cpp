#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crypto/RipeMD320.h"
#include "support/CryptoTestSupport.h"

using CryptoServiceProvider::Hashing::RipeMD320;
using Tarnwick::Testing::Capture;
using Tarnwick::Testing::ToHex;

namespace {

std::string Digest(RipeMD320& hash, const std::string& message) {
    std::uint8_t out[40];
    hash.ComputeHash(out, sizeof out, message.data(), message.size());
    return ToHex(out, sizeof out);
}

// Feeds the message in pieces of the given size.
std::string DigestInPieces(const std::string& message, std::size_t piece) {
    RipeMD320 hash;
    hash.Initialize();
    for (std::size_t at = 0; at < message.size(); at += piece) {
        hash.Update(message.data() + at, std::min(piece, message.size() - at));
    }
    std::uint8_t out[40];
    std::size_t length = sizeof out;
    hash.Finish(out, length);
    EXPECT_EQ(length, 40u);
    return ToHex(out, sizeof out);
}

} // namespace

// The RIPEMD-320 examples published with the algorithm (Bosselaers' RIPEMD page).
TEST(RipeMD320, PublishedDigests) {
    RipeMD320 hash;
    EXPECT_EQ(Digest(hash, ""),
              "22d65d5661536cdc75c1fdf5c6de7b41b9f27325ebc61e8557177d705a0ec880151c3a32a00899b8");
    EXPECT_EQ(Digest(hash, "a"),
              "ce78850638f92658a5a585097579926dda667a5716562cfcf6fbe77f63542f99b04705d6970dff5d");
    EXPECT_EQ(Digest(hash, "abc"),
              "de4c01b3054f8930a79d09ae738e92301e5a17085beffdc1b8d116713e74f82fa942d64cdbc4682d");
    EXPECT_EQ(Digest(hash, "message digest"),
              "3a8e28502ed45d422f68844f9dd316e7b98533fa3f2a91d29f84d425c88d6b4eff727df66a7c0197");
    EXPECT_EQ(Digest(hash, "abcdefghijklmnopqrstuvwxyz"),
              "cabdb1810b92470a2093aa6bce05952c28348cf43ff60841975166bb40ed234004b8824463e6b009");
    EXPECT_EQ(Digest(hash, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "d034a7950cf722021ba4b84df769a5de2060e259df4c9bb4a4268c0e935bbc7470a969c9d072a1ac");
    EXPECT_EQ(Digest(hash, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "ed544940c86d67f250d232c30b7b3e5770e0c60c8cb9a4cafe3b11388af9920e1b99230b843c86a4");
    std::string digits;
    for (int i = 0; i < 8; ++i) {
        digits += "1234567890";
    }
    EXPECT_EQ(Digest(hash, digits),
              "557888af5f6d8ed62ab66945c6d2a0a47ecd5341e915eb8fea1d0524955f825dc717e4a008ab2d42");
    EXPECT_EQ(DigestInPieces(std::string(1000000, 'a'), 1000),
              "bdee37f4371e20646b8b0d862dda16292ae36f40965e8c8509e63d1dbddecc503e2b63eb9245bb66");
}

TEST(RipeMD320, PiecesAcrossBlockBoundariesGiveTheSameDigest) {
    // Lengths around the padding limits (55, 56, 63, 64 bytes of the last block).
    for (std::size_t size : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 200u}) {
        std::string message;
        for (std::size_t i = 0; i < size; ++i) {
            message += static_cast<char>('!' + (i * 7) % 90);
        }
        const std::string whole = DigestInPieces(message, message.size());
        for (std::size_t piece : {1u, 3u, 17u, 63u, 64u, 65u}) {
            EXPECT_EQ(DigestInPieces(message, piece), whole) << size << " in pieces of " << piece;
        }
    }
}

TEST(RipeMD320, SelfTestSizesAndOutputCheck) {
    RipeMD320 hash;
    EXPECT_TRUE(hash.SelfTest());
    EXPECT_EQ(hash.GetHashSize(), 40u);
    EXPECT_EQ(hash.GetHashSizeInBits(), 320u);
    std::uint8_t out[40] = {};
    auto thrown = Capture([&] { hash.ComputeHash(out, 39, "abc", 3); });
    EXPECT_EQ(thrown.kind, "Exception");
    EXPECT_EQ(thrown.message, u"HashBase::VerifyHashOutputSize");
    EXPECT_EQ(thrown.target, u"");
    std::size_t length = 39;
    thrown = Capture([&] { hash.Finish(out, length); });
    EXPECT_EQ(thrown.message, u"HashBase::VerifyHashOutputSize");
    EXPECT_EQ(ToHex(out, 40), std::string(80, '0'));
}

TEST(RipeMD320, FinishAndReleaseStartOver) {
    RipeMD320 hash;
    std::uint8_t out[40];
    std::size_t length = sizeof out;
    hash.Update("abc", 3);
    hash.Finish(out, length);
    EXPECT_EQ(ToHex(out, 40),
              "de4c01b3054f8930a79d09ae738e92301e5a17085beffdc1b8d116713e74f82fa942d64cdbc4682d");
    hash.Update("a", 1); // a new message after Finish
    hash.Finish(out, length);
    EXPECT_EQ(ToHex(out, 40),
              "ce78850638f92658a5a585097579926dda667a5716562cfcf6fbe77f63542f99b04705d6970dff5d");
    hash.Update("message", 7);
    hash.Release(); // drops the partial input
    hash.Update("abc", 3);
    hash.Finish(out, length);
    EXPECT_EQ(ToHex(out, 40),
              "de4c01b3054f8930a79d09ae738e92301e5a17085beffdc1b8d116713e74f82fa942d64cdbc4682d");
}
