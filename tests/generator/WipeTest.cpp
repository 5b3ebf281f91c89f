// The generator's plain buffers must be wiped before they are freed. This file replaces the
// global allocation functions of the test binary: while armed, every block handed back to
// operator delete is copied aside, and the tests search those copies for the password.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <new>
#include <string>

#include "generator/GeneratorTestSupport.h"
#include "generator/PasswordGenerator.h"

using namespace GeneratorTesting;
using StringServiceProvider::SecureString;
using Tarnwick::PasswordGenerator::DefaultPolicy;
using Tarnwick::PasswordGenerator::PasswordGenerator;

namespace {

struct FreedBlock {
    unsigned char* bytes;
    std::size_t size;
};

bool g_armed = false;
FreedBlock* g_blocks = nullptr;
std::size_t g_count = 0;
std::size_t g_capacity = 0;

// Only malloc and free in here: operator new must not run while a block is recorded.
void Record(void* block) noexcept {
    if (!g_armed || block == nullptr) {
        return;
    }
    const std::size_t size = malloc_usable_size(block);
    if (g_count == g_capacity) {
        const std::size_t capacity = g_capacity == 0 ? 256 : 2 * g_capacity;
        auto* grown = static_cast<FreedBlock*>(std::realloc(g_blocks, capacity * sizeof(FreedBlock)));
        if (grown == nullptr) {
            std::abort();
        }
        g_blocks = grown;
        g_capacity = capacity;
    }
    auto* copy = static_cast<unsigned char*>(std::malloc(size == 0 ? 1 : size));
    if (copy == nullptr) {
        std::abort();
    }
    std::memcpy(copy, block, size);
    g_blocks[g_count++] = FreedBlock{copy, size};
}

void ForgetBlocks() {
    for (std::size_t i = 0; i < g_count; ++i) {
        std::free(g_blocks[i].bytes);
    }
    std::free(g_blocks);
    g_blocks = nullptr;
    g_count = g_capacity = 0;
}

void* Allocate(std::size_t size) {
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
    const auto a = static_cast<std::size_t>(alignment);
    if (void* block = std::aligned_alloc(a, (size + a - 1) / a * a + (size == 0 ? a : 0))) {
        return block;
    }
    throw std::bad_alloc();
}

void Release(void* block) noexcept {
    Record(block);
    std::free(block);
}

// Arms the recorder for a scope.
class Recorder {
public:
    Recorder() {
        ForgetBlocks();
        g_armed = true;
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;
    ~Recorder() {
        g_armed = false;
        ForgetBlocks();
    }
    void Stop() { g_armed = false; }

    // How many freed blocks hold the bytes.
    std::size_t BlocksHolding(const void* needle, std::size_t length) const {
        std::size_t found = 0;
        for (std::size_t i = 0; i < g_count; ++i) {
            if (length != 0 && ::memmem(g_blocks[i].bytes, g_blocks[i].size, needle, length) != nullptr) {
                ++found;
            }
        }
        return found;
    }
    // The text as UTF-16 and (when it is ASCII) as single bytes.
    std::size_t BlocksHolding(const std::u16string& text) const {
        std::size_t found = BlocksHolding(text.data(), text.size() * sizeof(char16_t));
        std::string narrow;
        for (const char16_t c : text) {
            if (c > 0x7F) {
                return found;
            }
            narrow += static_cast<char>(c);
        }
        return found + BlocksHolding(narrow.data(), narrow.size());
    }
    std::size_t Blocks() const { return g_count; }
};

} // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size, std::align_val_t a) {
    return AllocateAligned(size, a);
}
void* operator new[](std::size_t size, std::align_val_t a) {
    return AllocateAligned(size, a);
}
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    try {
        return AllocateAligned(size, a);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    try {
        return AllocateAligned(size, a);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    Release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    Release(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    Release(p);
}

TEST(GeneratorWiping, TheRecorderSeesAnUnwipedCopy) {
    const std::u16string secret = u"Kein-Passwort-1234567";
    Recorder recorder;
    {
        std::u16string copy = secret; // heap: longer than the small-string buffer
        copy += u"!";
    }
    recorder.Stop();
    EXPECT_GE(recorder.BlocksHolding(secret), 1u);
}

TEST(GeneratorWiping, NoFreedBlockHoldsAGeneratedPassword) {
    struct Case {
        const char* what;
        PasswordPolicy policy;
    };
    std::vector<Case> cases;
    PasswordPolicy standard = DefaultPolicy();
    standard.length = 24;
    standard.excludedCharacters = u"Il";
    cases.push_back({"standard", standard});
    PasswordPolicy distinct = standard;
    distinct.repetition = false;
    distinct.special = 2;
    cases.push_back({"no repetition", distinct});
    PasswordPolicy hex = EmptyPolicy(16);
    hex.encoding = Tarnwick::PasswordGenerator::EncodingHexadecimal;
    cases.push_back({"hexadecimal", hex});
    PasswordPolicy base64 = hex;
    base64.encoding = Tarnwick::PasswordGenerator::EncodingBase64;
    cases.push_back({"Base64", base64});

    for (const Case& c : cases) {
        for (int round = 0; round < 5; ++round) {
            auto stream = FixedStream(static_cast<std::uint8_t>(round));
            PasswordGenerator generator(c.policy);
            SecureString password;
            std::size_t leaks = 0;
            std::size_t blocks = 0;
            {
                Recorder recorder;
                ASSERT_TRUE(generator.Generate(stream, password));
                recorder.Stop();
                const std::u16string text = password.Reveal().ToStdString();
                blocks = recorder.Blocks();
                leaks = recorder.BlocksHolding(text);
                std::u16string& wipeMe = const_cast<std::u16string&>(text);
                std::fill(wipeMe.begin(), wipeMe.end(), u'\0');
            }
            EXPECT_GT(blocks, 0u) << c.what;
            EXPECT_EQ(leaks, 0u) << c.what << " round " << round;
        }
    }

    // The whole path with entropy collection and a list.
    PasswordPolicy policy = DefaultPolicy();
    policy.length = 30;
    FixedSystemState state;
    PasswordGenerator generator(policy);
    generator.SetSystemState(&state);
    std::vector<SecureString> storage(4);
    std::vector<SecureString*> slots = {&storage[0], &storage[1], &storage[2], &storage[3]};
    Recorder recorder;
    ASSERT_EQ(generator.GeneratePasswords(nullptr, slots), 4u);
    recorder.Stop();
    for (const auto& s : storage) {
        std::u16string text = s.Reveal().ToStdString();
        EXPECT_EQ(recorder.BlocksHolding(text), 0u);
        std::fill(text.begin(), text.end(), u'\0');
    }
}
