// Pictures of the main window for review: written only when TW_SCREENSHOT_DIR names a folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QPixmap>

#include "MainFrameTestSupport.h"
#include "app/mainframe/CaptionBar.h"
#include "app/mainframe/CommandBar.h"
#include "app/mainframe/CommandIds.h"
#include "app/views/InformationPanel.h"
#include "app/views/PasswordDataTreeCtrl.h"
#include "model/Clock.h"
#include "support/Screenshots.h"

namespace MainFrameTest {
namespace {

using Tarnwick::PasswordADT::PasswordData;
using Tarnwick::PasswordADT::PasswordItem;

std::shared_ptr<PasswordItem> Entry(const char16_t* description, const char16_t* user, const char16_t* url,
                                    const char16_t* comment, int validity, std::int64_t expiry) {
    auto item = std::make_shared<PasswordItem>();
    item->SetDescription(description);
    item->SetUserName(user);
    item->SetPassword(Tarnwick::PasswordADT::CurrentTime(), StringServiceProvider::SecureString(std::u16string_view(u"x7!Rq9#pLm")));
    item->SetUrl(url);
    item->SetComment(comment);
    item->SetValidityMode(static_cast<std::uint32_t>(validity));
    item->SetExpiry(expiry);
    return item;
}

PasswordData SampleVault() {
    const std::int64_t now = Tarnwick::PasswordADT::CurrentTime();
    PasswordData data;
    auto banks = data.AddFolder(u"Banken");
    auto mail = data.AddFolder(u"E-Mail");
    data.AddFolder(u"Soziale Netzwerke");
    auto work = data.AddFolder(u"Arbeit");
    data.AddSubfolder(work->GetId(), u"Intern");
    data.AddFolder(u"Einkaufen");
    banks->Entries().push_back(Entry(u"Sparkasse Online-Banking", u"m.mustermann", u"https://www.sparkasse.example/",
                                     u"PIN-Brief liegt im Ordner \"Bank\".\r\nTAN per App.", 1, now + 120 * 86400));
    banks->Entries().push_back(Entry(u"Volksbank", u"mustermann1970", u"https://www.volksbank.example/",
                                     u"Zweites Konto", 1, now + 2 * 86400));
    auto paypal = Entry(u"PayPal", u"max@example.org", u"https://www.paypal.example/", u"", 2, 90);
    paypal->SetPassword(now - 100 * 86400, StringServiceProvider::SecureString(std::u16string_view(u"alt!Passw0rt")));
    paypal->GetUserDefinedFields().Add(u"Sicherheitsfrage", u"Name des ersten Haustiers");
    paypal->GetPasswordHistory().Add(now - 200 * 86400, StringServiceProvider::SecureString(std::u16string_view(u"vorher")));
    banks->Entries().push_back(paypal);
    banks->Entries().push_back(Entry(u"Kreditkarte Visa", u"4111 •••• 1111", u"", u"Kartenprüfnummer auf der Rückseite", 0, 0));
    mail->Entries().push_back(Entry(u"Posteo", u"max.mustermann@posteo.example", u"https://posteo.example/", u"", 0, 0));
    mail->Entries().push_back(Entry(u"Firmen-Mail", u"mmustermann", u"https://mail.firma.example/", u"", 0, 0));
    work->Entries().push_back(Entry(u"VPN", u"mmustermann", u"vpn.firma.example", u"", 0, 0));
    return data;
}

class MainFrameScreenshots : public MainFrameFixture {
protected:
    void SetUp() override {
        MainFrameFixture::SetUp();
        folder = TestSupport::ScreenshotFolder();
        if (folder.isEmpty()) {
            GTEST_SKIP() << "TW_SCREENSHOT_DIR is not set";
        }
    }
    void Save(QWidget& widget, const QString& name) {
        ASSERT_TRUE(TestSupport::SavePicture(widget, folder, name)) << name.toStdString();
    }

    QString folder;
};

TEST_F(MainFrameScreenshots, MainWindowLockedAndStyled) {
    settings.folderSortKey = Tarnwick::Commands::ID_FOLDER_SORT_NAME;
    settings.folderSortDirection = Tarnwick::Commands::ID_FOLDER_SORT_ASCENDING;
    settings.listSortKey = Tarnwick::Commands::ID_LIST_SORT_NAME;
    settings.listSortDirection = Tarnwick::Commands::ID_LIST_SORT_ASCENDING;
    Open(SampleVault());
    frame->resize(1100, 700);
    frame->show();
    ASSERT_TRUE(frame->SelectFolder(0));
    SelectRow(1); // PayPal
    frame->ExecuteCommand(Tarnwick::Commands::ID_COPY_PASSWORD);
    Save(*frame, QStringLiteral("mainframe.png"));

    frame->View()->InformationPanel()->setCurrentIndex(1);
    frame->ShowMessageBar(QStringLiteral("Willkommen bei Tarnwick. Zum Anlegen eines neuen Passworts klicken Sie auf "
                                         "die nebenstehende Schaltfläche."),
                          QStringLiteral("Neues Passwort erstellen"), Tarnwick::Commands::ID_PASSWORD_NEW);
    frame->ExecuteCommand(Tarnwick::Commands::ID_STYLE_BLACK);
    frame->ExecuteCommand(Tarnwick::Commands::ID_SHOW_PASSWORDS);
    Save(*frame, QStringLiteral("mainframe-black.png"));

    frame->ExecuteCommand(Tarnwick::Commands::ID_STYLE_BLUE);
    frame->MessageBar()->hide();
    frame->ExecuteCommand(Tarnwick::Commands::ID_WORKSPACE_LOCK);
    frame->CommandBar()->setCurrentIndex(3);
    Save(*frame, QStringLiteral("mainframe-locked.png"));

    Tarnwick::TreeProvider::PasswordDataTreeCtrl tree;
    tree.AddPasswordData(DatabasePath(), frame->Data(), {Tarnwick::Views::FolderSortOrder::kByName,
                                                         Tarnwick::Views::FolderSortOrder::kAscending});
    tree.expandAll();
    tree.SetCheck(tree.findItems(QStringLiteral("PayPal"), Qt::MatchRecursive).front(), true);
    tree.SetCheck(tree.findItems(QStringLiteral("E-Mail"), Qt::MatchRecursive).front(), true);
    tree.resize(360, 420);
    tree.show();
    Save(tree, QStringLiteral("checked-tree.png"));
}

} // namespace
} // namespace MainFrameTest
