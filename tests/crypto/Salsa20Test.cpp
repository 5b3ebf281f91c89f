#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "crypto/Salsa20.h"
#include "support/CryptoTestSupport.h"

using CryptoServiceProvider::Encryption::Salsa20;
using CryptoServiceProvider::Encryption::StreamCipherBase;
using Tarnwick::Testing::Capture;
using Tarnwick::Testing::FromHex;
using Tarnwick::Testing::ToHex;

namespace {

struct Segment {
    std::size_t offset;
    const char* bytes; // 64 bytes
};

// eSTREAM Salsa20 verified test vectors, 256-bit keys: stream segments and the XOR of all
// 64-byte blocks of the stream ("xor-digest").
struct Vector {
    const char* name;
    const char* key;
    const char* iv;
    std::size_t streamLength;
    std::vector<Segment> segments;
    const char* xorDigest;
};

const std::vector<Vector>& Vectors() {
    static const std::vector<Vector> vectors = {
        {"set 1, vector 0",
         "8000000000000000000000000000000000000000000000000000000000000000",
         "0000000000000000",
         512,
         {{0, "E3BE8FDD8BECA2E3EA8EF9475B29A6E7003951E1097A5C38D23B7A5FAD9F6844"
              "B22C97559E2723C7CBBD3FE4FC8D9A0744652A83E72A9C461876AF4D7EF1A117"},
          {192, "57BE81F47B17D9AE7C4FF15429A73E10ACF250ED3A90A93C711308A74C6216A9"
                "ED84CD126DA7F28E8ABF8BB63517E1CA98E712F4FB2E1A6AED9FDC73291FAA17"},
          {256, "958211C4BA2EBD5838C635EDB81F513A91A294E194F1C039AEEC657DCE40AA7E"
                "7C0AF57CACEFA40C9F14B71A4B3456A63E162EC7D8D10B8FFB1810D71001B618"},
          {448, "696AFCFD0CDDCC83C7E77F11A649D79ACDC3354E9635FF137E929933A0BD6F53"
                "77EFA105A3A4266B7C0D089D08F1E855CC32B15B93784A36E56A76CC64BC8477"}},
         "50EC2485637DB19C6E795E9C739382806F6DB320FE3D0444D56707D7B456457F"
         "3DB3E8D7065AF375A225A70951C8AB744EC4D595E85225F08E2BC03FE1C42567"},
        {"set 1, vector 9",
         "0040000000000000000000000000000000000000000000000000000000000000",
         "0000000000000000",
         512,
         {{0, "01F191C3A1F2CC6EBED78095A05E062E1228154AF6BAE80A0E1A61DF2AE15FBC"
              "C37286440F66780761413F23B0C2C9E4678C628C5E7FB48C6EC1D82D47117D9F"},
          {192, "86D6F824D58012A14A19858CFE137D768E77597B96A4285D6B65D88A7F1A8778"
                "4BF1A3E44FC9D3525DDC784F5D99BA222712420181CABAB00C4B91AAEDFF521C"},
          {256, "287A9DB3C4EEDCC96055251B73ED361BA727C2F326EF6944F9449FB7A3DDC396"
                "A88D9D0D853FADE365F82789D57F9B4010F963BC498F176A93FD51723FCD4D55"},
          {448, "E0D62E2E3B37FDD906C934FAA35D5E8A89A517DD0F24CF33DE8495C5FF24F4B1"
                "476B3E826A1C90D74507C3991CEF4067E316A04B97AEFFA5E9D1F33CB0609B9E"}},
         "44936C5AE8EA99630920CEC7C0FE9E8EA6C5166366D543D3A6FCCE3EAE9B0DF6"
         "28C61B62CABD61B44F5610440C6798E93B820711202105D120398ECB96C0C102"},
        {"set 1, vector 225",
         "0000000000000000000000000000000000000000000000000000000040000000",
         "0000000000000000",
         512,
         {{0, "C94A72C1B17F8B9F26420BF06B3A544520C658D5F77ED7D62CC65AF824BD5678"
              "98EE4928AF0E2BEDEA64D5A7C22749C3C16369D274EFD2A6DF2CFCCB130A1144"},
          {192, "2130A7225D4C78BBBB8C5122C18851A932A78E360E62E56058027C624DA49EEC"
                "34DCE5ED9F66D78B44334CE0E3317AFF5BC78261FA4C96A642E846CDCEA4C242"},
          {256, "575EAB318220A54E5B2B0A8EC7F544290719FE422C646E1114D807201416F37E"
                "B5CECDB278AFC7CDE84E6DB5CA1648402BF9654D1C4E96A3E7BF5C19C84CDA71"},
          {448, "EAFC6C17BF190180FFD817644D7933C2F86989ADF705A72B04CDF8227A164596"
                "7BADE4A0E706039BD84702395B9A44DC7368E198B01335577A28028FE2F6056D"}},
         "B26E45B88EB4359878EC471C5A5814D510F435CE44D1A77A50468BE21F48F7B3"
         "7D5B2DDA0389405CEEA8998A9C3480CE9F30A02408B065F28543BFCBBB159AC3"},
        {"set 1, vector 252",
         "0000000000000000000000000000000000000000000000000000000000000008",
         "0000000000000000",
         512,
         {{0, "E48C2F264BF9E8374B78FB652BAFF1E33ECB4B1C635D76A64ECFC4BDE00EE5C8"
              "77E1094D6480CA382815CCCD5CC3677046E801C29A860EB032420DCAEEBC36F4"},
          {192, "D2EEE83D63F96B0B7E6D8E0C72B6581D50AF4081017CD62A73789C8C2DC5483F"
                "CB4067C71FDBFD6EA8882FFBAC63BC9C5E4F438A2ECBC71627646539A5BFE1DD"},
          {256, "BDDA0B90B24A4FF5D535E12D075DCE846D6741F809D105DC03552A3F13AC88B2"
                "F98411A1C19CB32FA3F595CDD8F876083C057E42BDD903A055F13182CA080F4D"},
          {448, "44E931EF73A9AFA565EB9A8E6AB1AA3B9F14FC198B41909CB31B532F9EB776FA"
                "B51FFD895E7F266D1D275463282BD7F662FBBBB5629890A4C68B6F6CF8200623"}},
         "151F615109FC211C0A7AA4DD2CEBB984CFE9ED0486E8C552233AED574E9983F9"
         "A9DD738D23F2D307DC313C634A42A80518B616A250C0725694750A29413DA8F1"},
        // The all-zero key and nonce.
        {"set 2, vector 0",
         "0000000000000000000000000000000000000000000000000000000000000000",
         "0000000000000000",
         512,
         {{0, "9A97F65B9B4C721B960A672145FCA8D4E32E67F9111EA979CE9C4826806AEEE6"
              "3DE9C0DA2BD7F91EBCB2639BF989C6251B29BF38D39A9BDCE7C55F4B2AC12A39"},
          {192, "2F3C3E10649160B44321B7F830D7D222699FAE0E834C76C3997985B5404808AB"
                "7E6E99AA1FEC2730749213E7F37A291AA6B5AFD2E524C2D608F34D4959930436"},
          {256, "8598D1FA94516B474B69DA83E3C1312C49A05B8283B880B31872CD1EA7D8F1B2"
                "D60A86CBA8184F949EA7AE8502A582DB392E85C4D70D3D17B2E57D817A98ED6E"},
          {448, "F86C7489712FB77896706FC892D9A1C84BB53D081F6EB4AE1C68B1190CBB0B41"
                "484E9E2B6FEA0A31BF124415921E5CF37C26493A5BC08F7620A8C80503C4C76F"}},
         "7C3A1499A63B507B0BC75824ABEEAA26109101C5B915F0F554DD9950045D02FA"
         "FF815CA8B2C7CFF3625765697B80B0267EA87E25412564BD71DD05843A60465E"},
        // Nonce bytes in little-endian word order.
        {"set 5, vector 63",
         "0000000000000000000000000000000000000000000000000000000000000000",
         "0000000000000001",
         512,
         {{0, "B47F96AA96786135297A3C4EC56A613D0B80095324FF43239D684C57FFE42E1C"
              "44F3CC011613DB6CDC880999A1E65AED1287FCB11C839C37120765AFA73E5075"},
          {192, "97128BD699DDC1B4B135D94811B5D2D6B2ADCBDC1ED8D3CF86ECF65A1750DE66"
                "CA5F1C2ED350DC2F497396E029DBD4A06FDDA6238BE7D120DD41E9F19E6DEEA2"},
          {256, "FF8065AD901A2DFC5C01642A840F7593AE032946058E54EA67300FBF7B928C20"
                "3244EF546762BA640032B6A2514122DE0CA969283F70CE21F981A5D668274F0D"},
          {448, "1309268BE548EFEC38D79DF4334CA949AB15A2A1003E2B97969FE0CD74A16A06"
                "5FE8691F03CBD0ECFCF6312F2EE0697F44BD3BF3E60320B289CBF21B428C8922"}},
         "1115D387A0C41A67543BE13DD539AB844D9A2CC98C20BB6E7B092268C060884F"
         "53774E3B044C6058B137CCCADF9F702696B3D40DFF3835341E4BF01BDD1C8FB1"},
        // Full keys and nonces over 128 KiB: the counter runs past 1024 blocks.
        {"set 6, vector 0",
         "0053A6F94C9FF24598EB3E91E4378ADD3083D6297CCF2275C81B6EC11467BA0D",
         "0D74DB42A91077DE",
         131072,
         {{0, "F5FAD53F79F9DF58C4AEA0D0ED9A9601F278112CA7180D565B420A48019670EA"
              "F24CE493A86263F677B46ACE1924773D2BB25571E1AA8593758FC382B1280B71"},
          {65472, "B70C50139C63332EF6E77AC54338A4079B82BEC9F9A403DFEA821B83F7860791"
                  "650EF1B2489D0590B1DE772EEDA4E3BCD60FA7CE9CD623D9D2FD5758B8653E70"},
          {65536, "81582C65D7562B80AEC2F1A673A9D01C9F892A23D4919F6AB47B9154E08E699B"
                  "4117D7C666477B60F8391481682F5D95D96623DBC489D88DAA6956B9F0646B6E"},
          {131008, "A13FFA1208F8BF50900886FAAB40FD10E8CAA306E63DF39536A1564FB760B242"
                   "A9D6A4628CDC878762834E27A541DA2A5E3B3445989C76F611E0FEC6D91ACACC"}},
         "C349B6A51A3EC9B712EAED3F90D8BCEE69B7628645F251A996F55260C62EF31F"
         "D6C6B0AEA94E136C9D984AD2DF3578F78E457527B03A0450580DD874F63B1AB9"},
    };
    return vectors;
}

// The keystream: zero bytes processed in pieces of the given size.
std::vector<std::uint8_t> Keystream(const Vector& v, std::size_t piece) {
    const auto key = FromHex(v.key);
    const auto iv = FromHex(v.iv);
    Salsa20 cipher;
    cipher.InitializeCipher(key.data(), key.size(), iv.data(), iv.size());
    std::vector<std::uint8_t> stream(v.streamLength);
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        cipher.Process(stream.data() + at, std::min(piece, stream.size() - at));
    }
    return stream;
}

} // namespace

TEST(Salsa20, EStreamVectors) {
    for (const Vector& v : Vectors()) {
        SCOPED_TRACE(v.name);
        const auto stream = Keystream(v, v.streamLength);
        for (const Segment& segment : v.segments) {
            EXPECT_EQ(ToHex(stream.data() + segment.offset, 64), ToHex(FromHex(segment.bytes)))
                << segment.offset;
        }
        std::uint8_t digest[64] = {};
        for (std::size_t at = 0; at < stream.size(); at += 64) {
            for (std::size_t i = 0; i < 64; ++i) {
                digest[i] ^= stream[at + i];
            }
        }
        EXPECT_EQ(ToHex(digest, 64), ToHex(FromHex(v.xorDigest)));
    }
}

TEST(Salsa20, PiecesOfAnySizeContinueTheStream) {
    const Vector& v = Vectors()[0];
    const auto whole = Keystream(v, v.streamLength);
    for (std::size_t piece : {1u, 7u, 63u, 64u, 65u, 200u}) {
        EXPECT_EQ(Keystream(v, piece), whole) << piece;
    }
}

TEST(Salsa20, EncryptsAndDecrypts) {
    const auto key = FromHex(Vectors().back().key);
    const auto iv = FromHex(Vectors().back().iv);
    const std::string text = "Ein geheimes Passwort, länger als ein Block von vierundsechzig Bytes, bitte.";
    std::vector<std::uint8_t> data(text.begin(), text.end());
    Salsa20 cipher;
    cipher.InitializeCipher(key.data(), key.size(), iv.data(), iv.size());
    cipher.Process(data.data(), data.size());
    EXPECT_NE(std::string(data.begin(), data.end()), text);
    // Keying again restarts the stream at block 0.
    cipher.InitializeCipher(key.data(), key.size(), iv.data(), iv.size());
    cipher.Process(data.data(), data.size());
    EXPECT_EQ(std::string(data.begin(), data.end()), text);
    cipher.Process(nullptr, 0); // nothing to do
}

TEST(Salsa20, SelfTestAndSizes) {
    Salsa20 cipher;
    EXPECT_TRUE(cipher.SelfTest());
    EXPECT_EQ(cipher.GetKeySize(), 32u);
    EXPECT_FALSE(cipher.IsKeyed()); // the self-test uses objects of its own
}

TEST(Salsa20, RefusesWrongKeysAndNonces) {
    const std::vector<std::uint8_t> key(33, 0x11);
    const std::vector<std::uint8_t> nonce(16, 0x22);
    Salsa20 cipher;
    for (std::size_t length : {0u, 16u, 31u, 33u}) {
        const auto thrown = Capture([&] { cipher.InitializeCipher(key.data(), length, nonce.data(), 8); });
        EXPECT_EQ(thrown.kind, "Exception");
        EXPECT_EQ(thrown.message, u"");
        EXPECT_EQ(thrown.target, u"Salsa20::VerifyKeySize") << length;
    }
    EXPECT_EQ(Capture([&] { cipher.InitializeCipher(nullptr, 32, nonce.data(), 8); }).target,
              u"Salsa20::VerifyKeySize");
    for (std::size_t length : {0u, 7u, 9u, 16u}) {
        const auto thrown = Capture([&] { cipher.InitializeCipher(key.data(), 32, nonce.data(), length); });
        EXPECT_EQ(thrown.kind, "Exception");
        EXPECT_EQ(thrown.message, u"iv");
        EXPECT_EQ(thrown.target, u"Salsa20::InitializeCipher") << length;
    }
    EXPECT_EQ(Capture([&] { cipher.InitializeCipher(key.data(), 32, nullptr, 8); }).message, u"iv");
    EXPECT_FALSE(cipher.IsKeyed());

    // The interface's own check, for ciphers that do not refine it.
    const StreamCipherBase& base = cipher;
    EXPECT_EQ(Capture([&] { base.StreamCipherBase::VerifyKeySize(16); }).target,
              u"StreamCipherBase::VerifyKeySize");
    EXPECT_EQ(Capture([&] { base.StreamCipherBase::VerifyKeySize(32); }).kind, "none");
    EXPECT_EQ(Capture([&] { base.VerifyKeySize(32); }).kind, "none");
}

TEST(Salsa20, RefusesToRunWithoutAKey) {
    // An unkeyed or cleared cipher would hand the data back unchanged.
    const std::string text = "plain";
    std::vector<std::uint8_t> data(text.begin(), text.end());
    Salsa20 cipher;
    auto thrown = Capture([&] { cipher.Process(data.data(), data.size()); });
    EXPECT_EQ(thrown.kind, "Exception");
    EXPECT_EQ(thrown.message, u"");
    EXPECT_EQ(thrown.target, u"Salsa20::Process");

    const auto key = FromHex(Vectors()[0].key);
    const auto iv = FromHex(Vectors()[0].iv);
    cipher.InitializeCipher(key.data(), key.size(), iv.data(), iv.size());
    EXPECT_TRUE(cipher.IsKeyed());
    EXPECT_EQ(Capture([&] { cipher.Process(nullptr, 4); }).target, u"Salsa20::Process");
    cipher.ClearKey();
    EXPECT_FALSE(cipher.IsKeyed());
    thrown = Capture([&] { cipher.Process(data.data(), data.size()); });
    EXPECT_EQ(thrown.target, u"Salsa20::Process");
    EXPECT_EQ(std::string(data.begin(), data.end()), text);
    cipher.ClearKey(); // harmless twice
}
