#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "core/Path.h"
#include "core/ShellLink.h"
#include "base/exceptions/Exception.h"
#include "support/TemporaryXdgFolders.h"

namespace fs = std::filesystem;
using WindowsServiceProvider::Shell::ShellLink;
using WindowsServiceProvider::Shell::ShellLinkInfo;

namespace {

std::string Read(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(ShellLink, StartupEntryIsWrittenAsDesktopEntry) {
    TestSupport::TemporaryXdgFolders xdg;
    fs::path startup;
    Tarnwick::Core::Path::GetFolderPath(startup, Tarnwick::Core::CSIDL_STARTUP);
    const fs::path link = startup / "tarnwick.desktop";

    ShellLinkInfo info;
    info.targetPath = "/opt/tarnwick/tarnwick";
    info.displayText = u"Tarnwick";
    ShellLink().Create(link, info);

    EXPECT_EQ(Read(link),
              "[Desktop Entry]\nType=Application\nName=Tarnwick\nComment=/opt/tarnwick/tarnwick\n"
              "Exec=\"/opt/tarnwick/tarnwick\"\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
    struct stat info2 {};
    ASSERT_EQ(::stat(link.c_str(), &info2), 0);
    EXPECT_EQ(info2.st_mode & 0777, 0600u);
    EXPECT_EQ(fs::status(startup).permissions(), fs::perms::owner_all);

    ShellLink().Delete(link);
    EXPECT_FALSE(fs::exists(link));
    try {
        ShellLink().Delete(link);
        FAIL();
    } catch (const Utilities::Exceptions::WindowsException& e) {
        EXPECT_EQ(e.GetFunction().View(), u"unlink");
        EXPECT_EQ(e.GetTarget().View(), u"ShellLink::Delete");
    }
}

TEST(ShellLink, AwkwardTextsRoundTrip) {
    TestSupport::TemporaryXdgFolders xdg;
    const fs::path link = xdg.Root() / "awkward.desktop";
    ShellLinkInfo info;
    info.targetPath = "/opt/my apps/tar\"n$wick\\bin";
    info.arguments = {u"--db", u"/home/jörg/Passwörter 100%.twdb", u"`x` & y;\nz", u""};
    info.displayText = u" Tarnwick – Passwörter\tneu";
    info.description = u"Startet\\Tarnwick";
    info.workingDirectory = "/home/jörg";
    ShellLink().Create(link, info);

    ShellLinkInfo loaded;
    ShellLink().Load(link, loaded);
    EXPECT_EQ(loaded.targetPath, info.targetPath);
    EXPECT_EQ(loaded.arguments, info.arguments);
    EXPECT_EQ(loaded.displayText, info.displayText);
    EXPECT_EQ(loaded.description, info.description);
    EXPECT_EQ(loaded.workingDirectory, info.workingDirectory);
    // Every line stays one line and field codes are escaped.
    const std::string text = Read(link);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 8);
    EXPECT_NE(text.find("100%%.twdb"), std::string::npos);
}

TEST(ShellLink, ForeignAndBrokenFiles) {
    TestSupport::TemporaryXdgFolders xdg;
    const fs::path link = xdg.Root() / "foreign.desktop";
    std::ofstream(link)
        << "# comment\n[Desktop Action new]\nExec=wrong\n[Desktop Entry]\r\nName[de]=Anders\r\n"
           "Name = Editor\r\nExec=gedit --new-window %U\r\n";
    ShellLinkInfo loaded;
    ShellLink().Load(link, loaded);
    EXPECT_EQ(loaded.targetPath, "gedit");
    EXPECT_EQ(loaded.arguments, (std::vector<std::u16string>{u"--new-window", u"%U"}));
    EXPECT_EQ(loaded.displayText, u"Editor");

    for (const char* broken : {"", "[Desktop Entry]\nName=x\n", "[Other]\nExec=x\n",
                               "[Desktop Entry]\nExec=\"open\n", "[Desktop Entry]\nExec=   \n"}) {
        std::ofstream(link, std::ios::trunc) << broken;
        try {
            ShellLink().Load(link, loaded);
            ADD_FAILURE() << broken;
        } catch (const Utilities::Exceptions::Exception& e) {
            EXPECT_EQ(e.GetTarget().View(), u"ShellLink::LoadShortcut");
        }
    }
    EXPECT_EQ(loaded.targetPath, "gedit") << "a failed load leaves the info alone";
}
