#pragma once

#include <cstddef>
#include <cstdint>

namespace CryptoServiceProvider::Hashing {

// A hash function. One object serves one thread; one computation runs at a time:
// Initialize, Update..., Finish, Release.
class HashBase {
public:
    HashBase() = default;
    HashBase(const HashBase&) = delete;
    HashBase& operator=(const HashBase&) = delete;
    virtual ~HashBase();

    // Starts a new computation.
    virtual void Initialize() = 0;
    // Adds length bytes; zero bytes are valid.
    virtual void Update(const void* data, std::size_t length) = 0;
    // Writes the digest. outputLength: the room in output on entry, the digest length on return.
    virtual void Finish(std::uint8_t* output, std::size_t& outputLength) = 0;
    // Known-answer test; true when every vector matches.
    virtual bool SelfTest() = 0;
    // Ends the computation and frees (and wipes) what it held.
    virtual void Release() noexcept = 0;
    virtual std::size_t GetHashSize() const = 0;
    virtual std::size_t GetHashSizeInBits() const { return GetHashSize() * 8; }

    // The one-call computation: checks the room in output, then Initialize, Update for each
    // piece, Finish, Release. The computation is released on failure too.
    void ComputeHash(std::uint8_t* output, std::size_t outputLength, const void* data, std::size_t length);
    void ComputeHash(std::uint8_t* output, std::size_t outputLength, const void* data, std::size_t length,
                     const void* data2, std::size_t length2);

protected:
    // Raises the common exception when outputLength is below GetHashSize.
    void VerifyHashOutputSize(std::size_t outputLength) const;
    // Hashes message through ComputeHash and compares with the expected digest.
    bool MatchesKnownAnswer(const char* message, const std::uint8_t* expected);
};

} // namespace CryptoServiceProvider::Hashing
