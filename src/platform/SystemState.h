#pragma once

#include <cstdint>
#include <vector>

namespace Tarnwick::Platform {

// Memory figures in the field order of the Windows record the entropy hash was defined on
// (64 bytes when laid out: two 32-bit fields, seven 64-bit ones).
struct MemoryStatus {
    std::uint32_t length = 64;
    std::uint32_t memoryLoad = 0; // percent of physical memory in use
    std::uint64_t totalPhysical = 0;
    std::uint64_t availablePhysical = 0;
    std::uint64_t totalPageFile = 0; // swap
    std::uint64_t availablePageFile = 0;
    std::uint64_t totalVirtual = 0; // this process's address space
    std::uint64_t availableVirtual = 0;
    std::uint64_t availableExtendedVirtual = 0;
};

// Calendar time in UTC, field order of the Windows record (16 bytes when laid out).
struct SystemClockTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0; // 0 = Sunday
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
};

// Volatile facts about the running system that are hashed into the password generator's
// key. None of them is secret or reliably unpredictable on its own; tests fix them.
class ISystemState {
public:
    virtual ~ISystemState() = default;
    // Milliseconds since boot (CLOCK_BOOTTIME).
    virtual std::uint64_t TickCount64() = 0;
    // sysinfo() and /proc/self/statm.
    virtual MemoryStatus GetMemoryStatus() = 0;
    virtual std::uint32_t ProcessId() = 0;
    virtual std::uint32_t ThreadId() = 0;
    // CLOCK_REALTIME broken down in UTC.
    virtual SystemClockTime GetSystemTime() = 0;
    // The ids of the running processes (the numeric folders of /proc), in directory order.
    virtual std::vector<std::uint32_t> ProcessIds() = 0;
};

// The running system.
ISystemState& SystemState();

} // namespace Tarnwick::Platform
