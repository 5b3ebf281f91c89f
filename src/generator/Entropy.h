#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/HashBaseWin.h"
#include "platform/SystemState.h"

namespace Tarnwick::PasswordGenerator {

inline constexpr std::size_t kEntropyDigestSize = 32;

// SHA-256 over the window id (4 bytes), the tick count (8), the memory status (64), the
// process and thread ids (4 each), the UTC time (16) and every running process id (4 each);
// integers little-endian. The byte buffer is wiped.
void ComputeSystemEntropy(Platform::ISystemState& state, std::uint32_t windowId,
                          std::uint8_t (&digest)[kEntropyDigestSize]);

// Mouse movements gathered by the entropy dialog: each movement becomes the 32-bit sample
// ((tick << 8) ^ x) << 8 ^ y, and the samples, most significant byte first, are hashed with
// SHA-256. The dialog feeds movements until the collector is complete (or the user cancels)
// and the generator then takes the digest.
class MouseEntropy {
public:
    // samplesPerPassword x passwords; with system entropy as well, 4 fewer below 17, a
    // quarter fewer (rounded up) from 17 to 127, 32 fewer above 127. At least 1.
    static std::size_t SamplesWanted(std::size_t samplesPerPassword, std::size_t passwords,
                                     bool systemEntropy);
    static std::uint32_t Sample(std::uint32_t tick, std::int32_t x, std::int32_t y) noexcept;

    explicit MouseEntropy(std::size_t wanted);
    MouseEntropy(const MouseEntropy&) = delete;
    MouseEntropy& operator=(const MouseEntropy&) = delete;
    ~MouseEntropy();

    // Records one movement (screen coordinates); true once the wanted number is reached.
    // Movements after that, or after Finish, are ignored.
    bool AddMovement(std::uint32_t tick, std::int32_t x, std::int32_t y);

    std::size_t Wanted() const noexcept { return m_wanted; }
    std::size_t Collected() const noexcept { return m_collected; }
    bool IsComplete() const noexcept { return m_collected >= m_wanted; }

    // The digest of what was collected so far (also after a cancel); ends the collection.
    // Only once.
    void Finish(std::uint8_t (&digest)[kEntropyDigestSize]);

private:
    CryptoServiceProvider::Hashing::Sha256Win m_hash;
    std::size_t m_wanted;
    std::size_t m_collected = 0;
    bool m_finished = false;
};

} // namespace Tarnwick::PasswordGenerator
