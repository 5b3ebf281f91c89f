#include "model/ByteBuffer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "crypto/SecureAllocator.h"
#include "crypto/SecureWipe.h"

namespace Tarnwick::PasswordADT {

using CryptoServiceProvider::SecureAllocator;

namespace {
constexpr std::size_t kMinimumGrowth = 128;
}

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)) {}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
    if (this != &other) {
        Clear();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

ByteBuffer::~ByteBuffer() { Clear(); }

void ByteBuffer::Reserve(std::size_t bytes) {
    if (bytes <= m_capacity) {
        return;
    }
    auto* fresh = static_cast<std::uint8_t*>(SecureAllocator::Allocate(bytes));
    if (m_size != 0) {
        std::memcpy(fresh, m_data, m_size);
    }
    const std::size_t size = m_size;
    Clear();
    m_data = fresh;
    m_size = size;
    m_capacity = bytes;
}

void ByteBuffer::Append(const void* data, std::size_t bytes) {
    if (bytes == 0) {
        return;
    }
    if (bytes > m_capacity - m_size) {
        if (bytes > SIZE_MAX / 4 - m_size) {
            throw std::bad_alloc();
        }
        Reserve(std::max({m_size + bytes, m_capacity + kMinimumGrowth, m_capacity * 2}));
    }
    std::memcpy(m_data + m_size, data, bytes);
    m_size += bytes;
}

void ByteBuffer::Resize(std::size_t bytes) {
    if (bytes > m_size) {
        if (bytes > m_capacity) {
            Reserve(std::max(bytes, m_capacity + kMinimumGrowth));
        }
        std::memset(m_data + m_size, 0, bytes - m_size);
    }
    m_size = bytes;
}

void ByteBuffer::Clear() noexcept {
    if (m_data != nullptr) {
        CryptoServiceProvider::SecureWipe(m_data, m_capacity);
        SecureAllocator::Release(m_data, m_capacity);
        m_data = nullptr;
    }
    m_size = 0;
    m_capacity = 0;
}

std::size_t ByteStream::Read(void* destination, std::size_t bytes) noexcept {
    const std::size_t count = std::min(bytes, Remaining());
    if (count != 0) {
        std::memcpy(destination, m_data + m_position, count);
        m_position += count;
    }
    return count;
}

} // namespace Tarnwick::PasswordADT
