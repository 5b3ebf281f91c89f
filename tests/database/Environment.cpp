#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// The log and the program's folders go to a private folder of this run, not the user's.
class PrivateDataHome : public ::testing::Environment {
public:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "tw-data-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            m_folder = pattern;
            ::setenv("XDG_DATA_HOME", pattern.c_str(), 1);
        }
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

private:
    std::filesystem::path m_folder;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new PrivateDataHome);

} // namespace
