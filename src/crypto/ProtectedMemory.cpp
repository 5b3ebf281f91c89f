#include "crypto/ProtectedMemory.h"

#include <cstring>
#include <utility>

#include "base/text/Format.h"
#include "crypto/MemoryProtection.h"
#include "crypto/SecureAllocator.h"
#include "crypto/SecureWipe.h"
#include "base/exceptions/Exception.h"

namespace CryptoServiceProvider {

using Utilities::Exceptions::Exception;

namespace {

[[noreturn]] void Fail(const char16_t* target) { throw Exception(u"", target); }

} // namespace

void ProtectedMemoryDataVerfier::AssureValidByteSize(std::int64_t bytes) {
    if (bytes > ProtectedMemory::kMaximumSize) {
        Fail(u"ProtectedMemoryDataVerfier::AssureValidByteSize");
    }
}

void ProtectedMemoryDataVerfier::AssureMemoryIsNotProtected(bool isProtected) {
    if (isProtected) {
        Fail(u"ProtectedMemoryDataVerfier::AssureMemoryIsNotProtected");
    }
}

void ProtectedMemoryDataVerfier::AssureByteSizeIsNotNegative(std::int64_t bytes) {
    if (bytes < 0) {
        Fail(u"ProtectedMemoryDataVerfier::AssureByteSizeIsNotNegative");
    }
}

ProtectedMemory::ProtectedMemory(ProtectedMemory&& other) noexcept
    : m_protected(other.m_protected), m_protectionFlags(other.m_protectionFlags), m_buffer(other.m_buffer),
      m_size(other.m_size), m_nonce(other.m_nonce) {
    other.m_buffer = nullptr;
    other.m_size = 0;
    other.m_protected = false;
}

ProtectedMemory& ProtectedMemory::operator=(ProtectedMemory&& other) noexcept {
    if (this != &other) {
        Free();
        m_protected = std::exchange(other.m_protected, false);
        m_protectionFlags = other.m_protectionFlags;
        m_buffer = std::exchange(other.m_buffer, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_nonce = other.m_nonce;
    }
    return *this;
}

ProtectedMemory::~ProtectedMemory() { Free(); }

void ProtectedMemory::Allocate(std::int64_t contentBytes) {
    ProtectedMemoryDataVerfier::AssureMemoryIsNotProtected(m_protected);
    ProtectedMemoryDataVerfier::AssureByteSizeIsNotNegative(contentBytes);
    const std::int64_t rounded = (contentBytes + m_prefixLength + 15) / 16 * 16;
    ProtectedMemoryDataVerfier::AssureValidByteSize(rounded);
    Free();
    m_buffer = static_cast<std::uint8_t*>(SecureAllocator::Allocate(static_cast<std::size_t>(rounded)));
    m_size = static_cast<std::size_t>(rounded);
    WriteIntegerIntoMemory(0);
}

void ProtectedMemory::WriteIntegerIntoMemory(std::int64_t value) {
    // The prefix must fit and the value must lie within the content area.
    if (m_buffer == nullptr || m_size < static_cast<std::size_t>(m_prefixLength) || value < 0 ||
        value > kMaximumSize || static_cast<std::uint64_t>(value) + m_prefixLength > m_size) {
        Fail(u"ProtectedMemory::WriteIntegerIntoMemory");
    }
    const auto v = static_cast<std::uint32_t>(value);
    m_buffer[0] = static_cast<std::uint8_t>(v);
    m_buffer[1] = static_cast<std::uint8_t>(v >> 8);
    m_buffer[2] = static_cast<std::uint8_t>(v >> 16);
    m_buffer[3] = static_cast<std::uint8_t>(v >> 24);
}

void ProtectedMemory::SetSize(std::int64_t contentBytes) {
    ProtectedMemoryDataVerfier::AssureMemoryIsNotProtected(m_protected);
    ProtectedMemoryDataVerfier::AssureByteSizeIsNotNegative(contentBytes);
    if (m_buffer == nullptr || m_size < static_cast<std::size_t>(m_prefixLength) || contentBytes > kMaximumSize ||
        static_cast<std::uint64_t>(contentBytes) + m_prefixLength > m_size) {
        Fail(u"ProtectedMemory::SetSize");
    }
    WriteIntegerIntoMemory(contentBytes);
}

void ProtectedMemory::WriteIntoMemory(const void* data, std::int64_t bytes) {
    ProtectedMemoryDataVerfier::AssureMemoryIsNotProtected(m_protected);
    ProtectedMemoryDataVerfier::AssureByteSizeIsNotNegative(bytes);
    if (bytes > kMaximumSize - m_prefixLength || (bytes > 0 && data == nullptr)) {
        Fail(u"ProtectedMemory::WriteIntoMemory");
    }
    if (m_buffer == nullptr || static_cast<std::uint64_t>(bytes) + m_prefixLength > m_size) {
        Allocate(bytes);
    }
    if (ContentLength() < bytes) {
        WriteIntegerIntoMemory(bytes);
    }
    if (bytes > 0) {
        std::memcpy(m_buffer + m_prefixLength, data, static_cast<std::size_t>(bytes));
    }
}

void ProtectedMemory::ReadAt(void* destination, std::int64_t bytes) const {
    ProtectedMemoryDataVerfier::AssureMemoryIsNotProtected(m_protected);
    ProtectedMemoryDataVerfier::AssureByteSizeIsNotNegative(bytes);
    if (bytes == 0) {
        return;
    }
    if (m_buffer == nullptr || destination == nullptr ||
        static_cast<std::uint64_t>(bytes) + m_prefixLength > m_size) {
        Fail(u"ProtectedMemory::ReadAt");
    }
    std::memcpy(destination, m_buffer + m_prefixLength, static_cast<std::size_t>(bytes));
}

void ProtectedMemory::ReadFromMemory(void* destination, std::int64_t bytes) const {
    ProtectedMemoryDataVerfier::AssureMemoryIsNotProtected(m_protected);
    ProtectedMemoryDataVerfier::AssureByteSizeIsNotNegative(bytes);
    if (ContentLength() < bytes) {
        Fail(u"ProtectedMemory::ReadFromMemory");
    }
    ReadAt(destination, bytes);
}

std::int32_t ProtectedMemory::ContentLength() const {
    if (m_buffer == nullptr) {
        return 0;
    }
    ProtectedMemoryDataVerfier::AssureMemoryIsNotProtected(m_protected);
    const std::uint32_t raw = static_cast<std::uint32_t>(m_buffer[0]) | (static_cast<std::uint32_t>(m_buffer[1]) << 8) |
                              (static_cast<std::uint32_t>(m_buffer[2]) << 16) |
                              (static_cast<std::uint32_t>(m_buffer[3]) << 24);
    const auto length = static_cast<std::int32_t>(raw);
    ProtectedMemoryDataVerfier::AssureByteSizeIsNotNegative(length);
    return length;
}

void ProtectedMemory::Protect() {
    if (m_protected) {
        return;
    }
    if (m_buffer == nullptr) {
        m_protected = true;
        return;
    }
    if (const int error = GetMemoryProtection().Protect(m_buffer, m_size, m_nonce); error != 0) {
        throw Exception(Tarnwick::Text::Format(u"Es ist Fehler %d beim Verschlüsseln aufgetreten.", error).View(),
                        u"ProtectedMemory::Protect");
    }
    m_protected = true;
}

void ProtectedMemory::Unprotect() {
    if (!m_protected) {
        return;
    }
    if (m_buffer == nullptr) {
        m_protected = false;
        return;
    }
    if (const int error = GetMemoryProtection().Unprotect(m_buffer, m_size, m_nonce); error != 0) {
        throw Exception(Tarnwick::Text::Format(u"Es ist Fehler %d beim Entschlüsseln aufgetreten.", error).View(),
                        u"ProtectedMemory::Unprotect");
    }
    m_protected = false;
}

void ProtectedMemory::Free() noexcept {
    if (m_buffer != nullptr) {
        SecureWipe(m_buffer, m_size);
        SecureAllocator::Release(m_buffer, m_size);
        m_buffer = nullptr;
        m_size = 0;
    }
    m_protected = false;
}

} // namespace CryptoServiceProvider
