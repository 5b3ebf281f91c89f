#pragma once

#include <cstddef>
#include <cstdint>

namespace EmberkiteDatabase {

// The master key while one request runs: locked, non-dumpable memory, wiped when it goes.
class KeyStore {
public:
    KeyStore() = default;
    KeyStore(const KeyStore&) = delete;
    KeyStore& operator=(const KeyStore&) = delete;
    ~KeyStore() { Clear(); }

    // Room for length bytes (the old key is wiped first).
    std::uint8_t* Allocate(std::size_t length);
    void Clear() noexcept;
    bool IsEmpty() const noexcept { return m_key == nullptr; }
    const std::uint8_t* Data() const noexcept { return m_key; }
    std::size_t Length() const noexcept { return m_length; }

private:
    std::uint8_t* m_key = nullptr;
    std::size_t m_length = 0;
};

} // namespace EmberkiteDatabase
