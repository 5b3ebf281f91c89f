#pragma once

#include <cstddef>
#include <cstdint>

namespace Tarnwick::PasswordADT {

// A growable byte buffer for records that hold secrets: it lives in locked, non-dumpable
// memory and is wiped whenever it grows or goes.
class ByteBuffer {
public:
    ByteBuffer() noexcept = default;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    ByteBuffer(ByteBuffer&& other) noexcept;
    ByteBuffer& operator=(ByteBuffer&& other) noexcept;
    ~ByteBuffer();

    void Append(const void* data, std::size_t bytes);
    void Reserve(std::size_t bytes);
    // Grows (new bytes are zero) or shrinks to bytes. Dropped bytes stay in the room until
    // they are overwritten or the buffer is cleared, which wipes all of it.
    void Resize(std::size_t bytes);
    // Empties the buffer but keeps the room for reuse (wiped at Clear).
    void Reset() noexcept { m_size = 0; }
    // Wipes and releases.
    void Clear() noexcept;

    const std::uint8_t* Data() const noexcept { return m_data; }
    std::uint8_t* MutableData() noexcept { return m_data; }
    std::size_t Size() const noexcept { return m_size; }
    std::size_t Capacity() const noexcept { return m_capacity; }

private:
    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

// Reads a byte form front to back; never reads past its end.
class ByteStream {
public:
    ByteStream(const std::uint8_t* data, std::size_t size) noexcept : m_data(data), m_size(size) {}
    explicit ByteStream(const ByteBuffer& buffer) noexcept : m_data(buffer.Data()), m_size(buffer.Size()) {}

    // Copies up to bytes and returns how many were there.
    std::size_t Read(void* destination, std::size_t bytes) noexcept;
    std::size_t Position() const noexcept { return m_position; }
    std::size_t Remaining() const noexcept { return m_size - m_position; }
    bool AtEnd() const noexcept { return m_position >= m_size; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
};

} // namespace Tarnwick::PasswordADT
