#pragma once

// What every fuzz target shares: a private folder per process for the files the code under
// test insists on reading by path, and a way to stop at a broken promise.
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>

// Every library carries its own copy of the exception classes, so the shared ones and the
// program hold the same vtables more than once: that is meant, not a fault. (Defined here,
// once per target program: each target is one source file that includes this header.)
extern "C" const char* __asan_default_options() { return "detect_odr_violation=0"; }

namespace TwFuzz {

// A folder made with mkdtemp on first use and removed at exit. HOME and the XDG folders
// point into it, so a log or settings file written on the way lands there, not in the
// user's folders.
inline const std::filesystem::path& PrivateDir() {
    static const std::filesystem::path dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "tw-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        const std::filesystem::path made = pattern;
        for (const char* name : {"home", "data", "config", "cache", "state", "runtime"}) {
            std::filesystem::create_directories(made / name);
        }
        ::setenv("HOME", (made / "home").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (made / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (made / "config").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (made / "cache").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (made / "state").c_str(), 1);
        ::chmod((made / "runtime").c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", (made / "runtime").c_str(), 1);
        static std::string removeAtExit = made.string();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removeAtExit, ignored);
        });
        return made;
    }();
    return dir;
}

// The input as the content of one reused file of the private folder.
inline const std::filesystem::path& WriteInput(const std::uint8_t* data, std::size_t size,
                                               const char* name = "input") {
    static std::filesystem::path path;
    path = PrivateDir() / name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::perror("open");
        std::abort();
    }
    std::size_t done = 0;
    while (done < size) {
        const ssize_t wrote = ::write(fd, data + done, size - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            std::perror("write");
            std::abort();
        }
        done += static_cast<std::size_t>(wrote);
    }
    ::close(fd);
    return path;
}

// A promise of the code under test that the input broke: report and stop, so the fuzzer
// keeps the input.
[[noreturn]] inline void Broken(const char* what) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

} // namespace TwFuzz
