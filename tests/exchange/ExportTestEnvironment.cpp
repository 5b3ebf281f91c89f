#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

namespace {

// The log goes to a private folder of this run, and times are shown in UTC so that the
// duplicate dialog's dates are the same on every machine.
class ExportImportEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "tw-data-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            m_folder = pattern;
            ::setenv("XDG_DATA_HOME", pattern.c_str(), 1);
        }
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

private:
    std::filesystem::path m_folder;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ExportImportEnvironment);

} // namespace
