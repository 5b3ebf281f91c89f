// Import sources that are no regular file: a FIFO would block the import (or never end), a
// device may never end, a folder cannot be read. Every format, and the database import,
// refuses them with one message before it reads anything.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ImportTestSupport.h"
#include "base/text/Utf.h"
#include "exchange/DatabaseImportReader.h"
#include "exchange/ExportImportFakeUI.h"
#include "exchange/ImportFactory.h"
#include "exchange/ImportMessages.h"
#include "base/exceptions/Exception.h"
#include "support/DatabaseFixture.h"

using namespace ImportTest;
using Tarnwick::Import::ImportFormat;

namespace {

std::string Refusal(const std::filesystem::path& path) {
    return "Die Datei \"" + path.string() + "\" ist keine reguläre Datei.";
}

// A FIFO in the test's folder. A writer is held open, so that even code that opens it
// blocking returns at once: a wrong importer fails the test instead of hanging it.
class Fifo {
public:
    explicit Fifo(const std::filesystem::path& path) : m_path(path) {
        if (::mkfifo(path.c_str(), 0600) == 0) {
            m_writer = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        }
    }
    ~Fifo() {
        if (m_writer >= 0) {
            ::close(m_writer);
        }
    }
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;
    bool Ready() const { return m_writer >= 0; }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
    int m_writer = -1;
};

class NonRegularSourceTest : public ::testing::Test {
protected:
    std::vector<std::filesystem::path> NotRegular() const {
        return {m_fifo.Path(), m_files.Folder(), "/dev/null"};
    }

    Files m_files;
    Fifo m_fifo{m_files.Folder() / "export.fifo"};
};

TEST_F(NonRegularSourceTest, EveryFormatRefusesAFifoADeviceAndAFolder) {
    ASSERT_TRUE(m_fifo.Ready());
    for (std::size_t format = 0; format < Tarnwick::Import::kImportFormatCount; ++format) {
        for (const auto& path : NotRegular()) {
            PasswordData data;
            auto importer = Tarnwick::Import::CreateImporter(format, data);
            std::string message = "<none>";
            std::string target;
            try {
                importer->Import(path);
            } catch (const Utilities::Exceptions::Exception& failure) {
                message = N(failure.GetMessage());
                target = N(failure.GetTarget());
            }
            EXPECT_EQ(message, Refusal(path)) << "format " << format;
            EXPECT_EQ(target, "ImportSource::Open") << "format " << format;
            EXPECT_EQ(data.FolderCount(), 0u) << "format " << format;
            // The framework hands the message on as it stands.
            Utilities::Exceptions::Exception failure(Tarnwick::Text::FromUtf8(message), u"ImportSource::Open");
            EXPECT_EQ(N(Tarnwick::Import::DescribeImportFailure(failure)), Refusal(path));
        }
    }
}

class DatabaseSourceTest : public TestSupport::DatabaseFixture {};

TEST_F(DatabaseSourceTest, TheOtherDatabaseMustBeARegularFile) {
    Fifo fifo(Path("andere.twdb"));
    ASSERT_TRUE(fifo.Ready());
    const auto bob = TestSupport::Login(u"bob", u"Quelle");
    for (const std::filesystem::path& path : {fifo.Path(), m_dir.Path(), std::filesystem::path("/dev/null")}) {
        TestSupport::FakeImportUI pageUi;
        PasswordData opened;
        EXPECT_EQ(Tarnwick::ExportImport::DatabaseImportSource::Open(pageUi, Tarnwick::Text::FromUtf8(path.string()),
                                                                      bob, opened),
                  Tarnwick::ExportImport::SourceResult::Unreadable)
            << path;
        ASSERT_EQ(pageUi.errors.size(), 1u) << path;
        EXPECT_EQ(N(pageUi.errors[0]), Refusal(path));
        EXPECT_EQ(pageUi.progressStarts, pageUi.progressEnds);
        EXPECT_EQ(opened.FolderCount(), 0u);
    }
}

} // namespace
