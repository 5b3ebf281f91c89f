#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "support/FaultyFileSystem.h"
#include "support/TempFolder.h"

namespace TestSupport {

// Runs write (which replaces file, alone in its folder) with the n-th change on disk failing,
// for n = 1, 2, ... until it goes through untouched, as a crash or a full disk would stop it.
// After every run the file must hold exactly the old or exactly the new bytes, and nothing
// else may be left in the folder. write may throw. Returns the number of changes a whole
// write makes.
inline long CheckEveryFailureLeavesOldOrNew(const std::filesystem::path& file, const std::string& oldBytes,
                                            const std::string& newBytes, const std::function<void()>& write) {
    const auto entries = [&] {
        long count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(file.parent_path())) {
            ++count;
        }
        return count;
    };
    for (long n = 1; n < 1000; ++n) {
        WriteFileBytes(file, oldBytes);
        bool failed = false;
        long changes = 0;
        {
            FaultyFileSystem faults(n);
            try {
                write();
            } catch (...) {
            }
            failed = faults.Failed();
            changes = faults.Changes();
        }
        const std::string now = ReadFileBytes(file);
        EXPECT_TRUE(now == oldBytes || now == newBytes) << "change " << n << " left a mix";
        EXPECT_EQ(entries(), 1) << "change " << n << " left a file behind";
        if (!failed) {
            EXPECT_EQ(now, newBytes);
            return changes;
        }
    }
    ADD_FAILURE() << "the write never went through";
    return 0;
}

} // namespace TestSupport
