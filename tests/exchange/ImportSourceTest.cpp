// The opener of import files: regular files (also through links) are read; the check that
// the command line makes before anything is read.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ImportTestSupport.h"
#include "exchange/ImportFactory.h"
#include "exchange/ImportSource.h"
#include "base/exceptions/Exception.h"

using namespace ImportTest;
using Tarnwick::Import::ImportFormat;

namespace {

std::string Refusal(const std::filesystem::path& path) {
    return "Die Datei \"" + path.string() + "\" ist keine reguläre Datei.";
}

class ImportSourceTest : public ::testing::Test {
protected:
    Files m_files;
};

TEST_F(ImportSourceTest, RegularFilesAndLinksToThemAreRead) {
    const auto csv = m_files.Write("a;b\n", "ok.csv");
    const auto link = m_files.Folder() / "link.csv";
    std::filesystem::create_symlink(csv, link);
    for (const auto& path : {csv, link}) {
        PasswordData data;
        auto importer = Tarnwick::Import::CreateImporter(ImportFormat::Csv, data);
        EXPECT_EQ(ImportMessage(*importer, path), "");
        EXPECT_TRUE(Tarnwick::Import::CheckRegularFile(path).IsEmpty());
    }
    // A missing file is no refusal of this kind: whoever opens it reports it.
    EXPECT_TRUE(Tarnwick::Import::CheckRegularFile(m_files.Folder() / "fehlt.csv").IsEmpty());
    EXPECT_EQ(N(Tarnwick::Import::CheckRegularFile(m_files.Folder())), Refusal(m_files.Folder()));
    // A link to something else is judged by what it points to.
    const auto toFolder = m_files.Folder() / "folder.link";
    std::filesystem::create_directory_symlink(m_files.Folder(), toFolder);
    PasswordData data;
    auto importer = Tarnwick::Import::CreateImporter(ImportFormat::KeePass2, data);
    EXPECT_EQ(ImportMessage(*importer, toFolder), Refusal(toFolder));
}

TEST_F(ImportSourceTest, ReadsInPiecesAndFromTheStartAgain) {
    const auto path = m_files.Write("0123456789", "zahlen.txt");
    auto source = Tarnwick::Import::ImportSource::Open(path, u"Test");
    std::uint64_t size = 0;
    ASSERT_EQ(source.Size(size), 0);
    EXPECT_EQ(size, 10u);
    char buffer[8] = {};
    std::size_t got = 0;
    ASSERT_EQ(source.Read(buffer, 4, got), 0);
    EXPECT_EQ(std::string(buffer, got), "0123");
    ASSERT_EQ(source.Read(buffer, 8, got), 0);
    EXPECT_EQ(std::string(buffer, got), "456789");
    ASSERT_EQ(source.Read(buffer, 8, got), 0);
    EXPECT_EQ(got, 0u);
    source.Rewind();
    ASSERT_EQ(source.Read(buffer, 2, got), 0);
    EXPECT_EQ(std::string(buffer, got), "01");

    try {
        (void)Tarnwick::Import::ImportSource::Open(m_files.Folder() / "fehlt.txt", u"Test::Open");
        FAIL();
    } catch (const Utilities::Exceptions::WindowsException& failure) {
        EXPECT_EQ(N(failure.GetMessage()), "open");
        EXPECT_EQ(N(failure.GetTarget()), "Test::Open");
    }
}

} // namespace
