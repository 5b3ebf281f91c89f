#include "generator/Entropy.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "crypto/ScopedWipe.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::PasswordGenerator {

using CryptoServiceProvider::ScopedWipe;
using CryptoServiceProvider::SecureWipe;

namespace {

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

} // namespace

void ComputeSystemEntropy(Platform::ISystemState& state, std::uint32_t windowId,
                          std::uint8_t (&digest)[kEntropyDigestSize]) {
    const std::vector<std::uint32_t> processes = state.ProcessIds();
    std::vector<std::uint8_t> bytes;
    bytes.reserve(4 + 8 + 64 + 8 + 16 + 4 * processes.size());
    // Reserved up front, so the buffer never moves and leaves no copy behind.
    struct Wipe {
        std::vector<std::uint8_t>& bytes;
        ~Wipe() { SecureWipe(bytes.data(), bytes.capacity()); }
    } wipe{bytes};

    PutLittleEndian(bytes, windowId, 4);
    PutLittleEndian(bytes, state.TickCount64(), 8);
    const Platform::MemoryStatus memory = state.GetMemoryStatus();
    PutLittleEndian(bytes, memory.length, 4);
    PutLittleEndian(bytes, memory.memoryLoad, 4);
    for (const std::uint64_t value :
         {memory.totalPhysical, memory.availablePhysical, memory.totalPageFile, memory.availablePageFile,
          memory.totalVirtual, memory.availableVirtual, memory.availableExtendedVirtual}) {
        PutLittleEndian(bytes, value, 8);
    }
    PutLittleEndian(bytes, state.ProcessId(), 4);
    PutLittleEndian(bytes, state.ThreadId(), 4);
    const Platform::SystemClockTime time = state.GetSystemTime();
    for (const std::uint16_t value : {time.year, time.month, time.dayOfWeek, time.day, time.hour, time.minute,
                                      time.second, time.milliseconds}) {
        PutLittleEndian(bytes, value, 2);
    }
    for (const std::uint32_t id : processes) {
        PutLittleEndian(bytes, id, 4);
    }
    CryptoServiceProvider::Hashing::Sha256Win().ComputeHash(digest, sizeof digest, bytes.data(),
                                                            bytes.size());
}

std::size_t MouseEntropy::SamplesWanted(std::size_t samplesPerPassword, std::size_t passwords,
                                        bool systemEntropy) {
    std::size_t n = std::numeric_limits<std::size_t>::max();
    if (passwords == 0 || samplesPerPassword <= n / passwords) {
        n = samplesPerPassword * passwords;
    }
    if (systemEntropy) {
        if (n < 17) {
            n = n > 4 ? n - 4 : 0;
        } else if (n <= 127) {
            n -= (n + 3) / 4;
        } else {
            n -= 32;
        }
    }
    // A dialog that wants nothing could never fill its bar.
    return std::max<std::size_t>(n, 1);
}

std::uint32_t MouseEntropy::Sample(std::uint32_t tick, std::int32_t x, std::int32_t y) noexcept {
    return (((tick << 8) ^ static_cast<std::uint32_t>(x)) << 8) ^ static_cast<std::uint32_t>(y);
}

MouseEntropy::MouseEntropy(std::size_t wanted) : m_wanted(std::max<std::size_t>(wanted, 1)) {
    m_hash.Initialize();
}

MouseEntropy::~MouseEntropy() {
    m_hash.Release();
}

bool MouseEntropy::AddMovement(std::uint32_t tick, std::int32_t x, std::int32_t y) {
    if (m_finished || IsComplete()) {
        return true;
    }
    const std::uint32_t sample = Sample(tick, x, y);
    std::uint8_t bytes[4] = {static_cast<std::uint8_t>(sample >> 24), static_cast<std::uint8_t>(sample >> 16),
                             static_cast<std::uint8_t>(sample >> 8), static_cast<std::uint8_t>(sample)};
    const ScopedWipe wipe(bytes, sizeof bytes);
    m_hash.Update(bytes, sizeof bytes);
    ++m_collected;
    return IsComplete();
}

void MouseEntropy::Finish(std::uint8_t (&digest)[kEntropyDigestSize]) {
    if (m_finished) {
        throw Utilities::Exceptions::Exception(u"", u"MouseEntropy::Finish"); // the digest was handed out
    }
    m_finished = true;
    std::size_t length = sizeof digest;
    m_hash.Finish(digest, length);
    m_hash.Release();
}

} // namespace Tarnwick::PasswordGenerator
