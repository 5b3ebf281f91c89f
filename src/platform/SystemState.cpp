#include "platform/SystemState.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <sys/sysinfo.h>
#include <unistd.h>

namespace Tarnwick::Platform {

namespace {

class LinuxSystemState final : public ISystemState {
public:
    std::uint64_t TickCount64() override {
        timespec now{};
        if (::clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
            ::clock_gettime(CLOCK_MONOTONIC, &now);
        }
        return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
               static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    }

    MemoryStatus GetMemoryStatus() override {
        MemoryStatus status;
        struct sysinfo info {};
        if (::sysinfo(&info) == 0) {
            const std::uint64_t unit = info.mem_unit != 0 ? info.mem_unit : 1;
            status.totalPhysical = static_cast<std::uint64_t>(info.totalram) * unit;
            status.availablePhysical = (static_cast<std::uint64_t>(info.freeram) + info.bufferram) * unit;
            status.totalPageFile = static_cast<std::uint64_t>(info.totalswap) * unit;
            status.availablePageFile = static_cast<std::uint64_t>(info.freeswap) * unit;
            if (status.totalPhysical != 0 && status.availablePhysical <= status.totalPhysical) {
                status.memoryLoad =
                    static_cast<std::uint32_t>(100 - status.availablePhysical * 100 / status.totalPhysical);
            }
        }
        // Pages of this process: total size and resident part.
        if (std::FILE* statm = std::fopen("/proc/self/statm", "re")) {
            unsigned long long size = 0;
            unsigned long long resident = 0;
            if (std::fscanf(statm, "%llu %llu", &size, &resident) == 2) {
                const long page = ::sysconf(_SC_PAGESIZE);
                const std::uint64_t pageSize = page > 0 ? static_cast<std::uint64_t>(page) : 4096;
                status.totalVirtual = size * pageSize;
                status.availableVirtual = resident * pageSize;
            }
            std::fclose(statm);
        }
        return status;
    }

    std::uint32_t ProcessId() override { return static_cast<std::uint32_t>(::getpid()); }

    std::uint32_t ThreadId() override { return static_cast<std::uint32_t>(::gettid()); }

    SystemClockTime GetSystemTime() override {
        SystemClockTime result;
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        std::tm parts{};
        if (::gmtime_r(&now.tv_sec, &parts) != nullptr) {
            result.year = static_cast<std::uint16_t>(parts.tm_year + 1900);
            result.month = static_cast<std::uint16_t>(parts.tm_mon + 1);
            result.dayOfWeek = static_cast<std::uint16_t>(parts.tm_wday);
            result.day = static_cast<std::uint16_t>(parts.tm_mday);
            result.hour = static_cast<std::uint16_t>(parts.tm_hour);
            result.minute = static_cast<std::uint16_t>(parts.tm_min);
            result.second = static_cast<std::uint16_t>(parts.tm_sec);
            result.milliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
        }
        return result;
    }

    std::vector<std::uint32_t> ProcessIds() override {
        std::vector<std::uint32_t> ids;
        DIR* proc = ::opendir("/proc");
        if (proc == nullptr) {
            return ids;
        }
        while (const dirent* entry = ::readdir(proc)) {
            std::uint64_t id = 0;
            const char* c = entry->d_name;
            for (; *c >= '0' && *c <= '9' && id <= 0xFFFFFFFFu; ++c) {
                id = id * 10 + static_cast<unsigned>(*c - '0');
            }
            if (*c == '\0' && c != entry->d_name && id <= 0xFFFFFFFFu) {
                ids.push_back(static_cast<std::uint32_t>(id));
            }
        }
        ::closedir(proc);
        return ids;
    }
};

} // namespace

ISystemState& SystemState() {
    static LinuxSystemState state;
    return state;
}

} // namespace Tarnwick::Platform
