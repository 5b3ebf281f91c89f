#pragma once

// Searches the memory of another (stopped) process for secrets, as UTF-8 and as UTF-16LE.
// The mappings read are those a core image of the process holds: readable ones, without the
// pages excluded from dumps (MADV_DONTDUMP, "dd" in smaps) unless asked for, and without the
// sanitizer's reservations (terabytes of shadow and allocator space, which hold no text and
// would make a core file of tens of gigabytes).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace TestSupport {

inline std::string Utf16Le(const std::string& ascii) {
    std::string wide;
    for (const char c : ascii) {
        wide.push_back(c);
        wide.push_back('\0');
    }
    return wide;
}

struct MemoryImageScan {
    std::string unreadable;         // why the memory could not be read
    std::vector<std::string> found; // "UTF-8 <needle> in <mapping>"
    std::vector<unsigned long> addresses; // where each was found first
    std::size_t bytesRead = 0;
};

struct MemoryImageOptions {
    bool writableOnly = false;     // only the mappings the process could have written to
    bool withExcluded = false;     // also the pages excluded from core images
};

inline MemoryImageScan SearchMemoryImage(pid_t pid, const std::vector<std::string>& needles,
                                         MemoryImageOptions options = {}) {
    MemoryImageScan scan;
    std::ifstream smaps("/proc/" + std::to_string(pid) + "/smaps");
    const int mem = ::open(("/proc/" + std::to_string(pid) + "/mem").c_str(), O_RDONLY | O_CLOEXEC);
    if (mem < 0 || !smaps) {
        scan.unreadable = "open /proc/PID/mem: " + std::string(std::strerror(errno));
        if (mem >= 0) {
            ::close(mem);
        }
        return scan;
    }
    std::vector<std::string> used;
    std::vector<std::string> forms;
    for (const auto& needle : needles) {
        if (!needle.empty()) {
            used.push_back(needle);
            forms.push_back(needle);
            forms.push_back(Utf16Le(needle));
        }
    }
    std::size_t longest = 0;
    for (const auto& form : forms) {
        longest = std::max(longest, form.size());
    }

    struct Mapping {
        unsigned long start = 0, end = 0;
        std::string line;
        bool readable = false, writable = false, excluded = false;
    };
    std::vector<Mapping> mappings;
    for (std::string line; std::getline(smaps, line);) {
        unsigned long start = 0, end = 0;
        char perms[5] = {};
        if (std::sscanf(line.c_str(), "%lx-%lx %4s", &start, &end, perms) == 3) {
            mappings.push_back({start, end, line, perms[0] == 'r', perms[1] == 'w', false});
        } else if (line.rfind("VmFlags:", 0) == 0 && !mappings.empty()) {
            mappings.back().excluded = (line + " ").find(" dd ") != std::string::npos;
        }
    }

    constexpr std::size_t kChunk = 1u << 20;
    std::vector<char> bytes(kChunk + longest);
    for (const Mapping& mapping : mappings) {
        if (!mapping.readable || (options.writableOnly && !mapping.writable) ||
            (mapping.excluded && !options.withExcluded) || mapping.end - mapping.start > (1ul << 32) ||
            mapping.line.find("[vvar]") != std::string::npos || mapping.line.find("[vsyscall]") != std::string::npos) {
            continue;
        }
        std::vector<bool> hit(forms.size(), false);
        std::size_t carried = 0;
        for (unsigned long at = mapping.start; at < mapping.end;) {
            const std::size_t want = std::min<unsigned long>(kChunk, mapping.end - at);
            const ssize_t got = ::pread(mem, bytes.data() + carried, want, static_cast<off_t>(at));
            if (got <= 0) {
                break;
            }
            scan.bytesRead += static_cast<std::size_t>(got);
            const std::string_view region(bytes.data(), carried + static_cast<std::size_t>(got));
            for (std::size_t i = 0; i < forms.size(); ++i) {
                const std::size_t offset = hit[i] ? std::string_view::npos : region.find(forms[i]);
                if (offset != std::string_view::npos) {
                    hit[i] = true;
                    char address[32];
                    std::snprintf(address, sizeof(address), "0x%lx", at - carried + offset);
                    scan.found.push_back(std::string(i % 2 == 0 ? "UTF-8 " : "UTF-16 ") + used[i / 2] + " at " +
                                         address + " in " + mapping.line);
                    scan.addresses.push_back(at - carried + offset);
                }
            }
            // Keep the tail, so that a secret across two chunks is found too.
            carried = std::min(longest, region.size());
            std::memmove(bytes.data(), region.data() + region.size() - carried, carried);
            at += static_cast<unsigned long>(got);
        }
    }
    ::close(mem);
    return scan;
}

} // namespace TestSupport
