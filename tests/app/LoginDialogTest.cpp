#include <gtest/gtest.h>

#include <stdexcept>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWizard>

#include "AppTestSupport.h"
#include "app/login/LoginDialog.h"
#include "app/login/NewDatabaseWizard.h"
#include "platform/FileSystem.h"
#include "uilib/SecureEdit.h"

using AppTest::Q;
using Tarnwick::CLoginDialog;
using Tarnwick::LoginBase;
namespace fs = std::filesystem;

namespace {

constexpr std::u16string_view kRefused = u"Die Benutzerauthentifikation ist fehlgeschlagen.";

class LoginDialog : public AppTest::AppFixture {
protected:
    LoginDialog() { EXPECT_TRUE(AppTest::MakeDatabase(database, u"anna", u"Geheim 123!")); }

    static void Fill(CLoginDialog& dialog, const QString& path, std::u16string_view user, std::u16string_view password) {
        dialog.GetDatabaseBox()->setEditText(path);
        dialog.GetUserNameEdit()->setText(Q(user));
        dialog.GetPasswordEdit()->SetText(password);
    }

    const fs::path database = Databases() / "Konten.twdb";
    ApplicationSettings::Settings settings;
};

// Throws from every look-up of a path, as a broken file layer might.
class ThrowingFileSystem : public Tarnwick::Platform::IFileSystem {
public:
    ThrowingFileSystem() : m_previous(Tarnwick::Platform::SetFileSystem(this)) {}
    ~ThrowingFileSystem() override { Tarnwick::Platform::SetFileSystem(m_previous); }
    int Open(const fs::path&, Tarnwick::Platform::OpenMode, std::unique_ptr<Tarnwick::Platform::IFile>&) override {
        throw std::runtime_error("file layer broken");
    }
    int CreateTemporary(const fs::path&, const std::string&, fs::path&,
                        std::unique_ptr<Tarnwick::Platform::IFile>&) override {
        throw std::runtime_error("file layer broken");
    }
    int Rename(const fs::path&, const fs::path&) override { throw std::runtime_error("file layer broken"); }
    int Remove(const fs::path&) override { throw std::runtime_error("file layer broken"); }
    int SyncFolder(const fs::path&) override { throw std::runtime_error("file layer broken"); }
    int Status(const fs::path&, Tarnwick::Platform::FileStatus&) override {
        throw std::runtime_error("file layer broken");
    }

private:
    Tarnwick::Platform::IFileSystem* m_previous;
};

} // namespace

TEST_F(LoginDialog, ThreeRefusalsThenTheFourthPressEnds) {
    CLoginDialog dialog(settings, false);
    EXPECT_EQ(dialog.windowTitle(), Q(u"Tarnwick - Anmeldung"));
    dialog.OnInitDialog();
    QSignalSpy finished(&dialog, &QDialog::finished);
    Fill(dialog, Q(database), u"anna", u"falsch");
    for (int attempt = 1; attempt <= 3; ++attempt) {
        dialog.GetLoginButton()->click();
        EXPECT_EQ(finished.count(), 0) << attempt;
        EXPECT_EQ(Count(kRefused), attempt);
        EXPECT_EQ(dialog.GetFailedAttempts(), static_cast<unsigned>(attempt));
    }
    // Even the right password is too late now.
    dialog.GetPasswordEdit()->SetText(u"Geheim 123!");
    dialog.GetLoginButton()->click();
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Rejected);
    EXPECT_EQ(Count(kRefused), 4);
    ASSERT_FALSE(responder.Seen().empty());
    EXPECT_EQ(responder.Seen().back().icon, QMessageBox::Critical);
    EXPECT_TRUE(settings.recentDatabases.items.empty());
}

TEST_F(LoginDialog, RightCredentialsLogIn) {
    settings.rememberLastDatabase = true;
    CLoginDialog dialog(settings, false);
    dialog.OnInitDialog();
    QSignalSpy finished(&dialog, &QDialog::finished);
    Fill(dialog, Q(database), u"anna", u"Geheim 123!");
    dialog.GetLoginButton()->click();
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetDatabasePath(), database);
    Tarnwick::LoginCredentials credentials = dialog.TakeCredentials();
    EXPECT_EQ(credentials.userName, u"anna");
    EXPECT_TRUE(credentials.password.Equals(std::u16string_view(u"Geheim 123!")));
    ASSERT_EQ(settings.recentDatabases.items.size(), 1u);
    EXPECT_EQ(settings.recentDatabases.items[0].path, Tarnwick::Text::FromUtf8(database.string()));
    EXPECT_EQ(settings.recentDatabases.items[0].kt, 0);
    EXPECT_TRUE(responder.Seen().empty());
}

TEST_F(LoginDialog, RecentListUntouchedWhenNotRemembering) {
    settings.rememberLastDatabase = false;
    CLoginDialog dialog(settings, false);
    dialog.OnInitDialog();
    Fill(dialog, Q(database), u"anna", u"Geheim 123!");
    dialog.GetLoginButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(settings.recentDatabases.items.empty());
}

TEST_F(LoginDialog, UserNameTypedInAnotherCaseIsRetriedLowerCased) {
    CLoginDialog dialog(settings, false);
    dialog.OnInitDialog();
    Fill(dialog, Q(database), u"ANNA", u"Geheim 123!");
    dialog.GetLoginButton()->click();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    // The name the database knows is handed on.
    EXPECT_EQ(dialog.TakeCredentials().userName, u"anna");
    EXPECT_EQ(dialog.GetFailedAttempts(), 0u);

    // Beyond ASCII, and independent of the process locale.
    const fs::path umlaut = Databases() / "Jörg.twdb";
    ASSERT_TRUE(AppTest::MakeDatabase(umlaut, u"jörg öäü", u"pw"));
    CLoginDialog second(settings, false);
    second.OnInitDialog();
    Fill(second, Q(umlaut), u"JÖRG ÖÄÜ", u"pw");
    second.GetLoginButton()->click();
    ASSERT_EQ(second.result(), QDialog::Accepted);
    EXPECT_EQ(second.TakeCredentials().userName, u"jörg öäü");
}

TEST_F(LoginDialog, CaseSensitiveNameMatchesOnlyExactly) {
    const fs::path exact = Databases() / "Exakt.twdb";
    ASSERT_TRUE(AppTest::MakeDatabase(exact, u"Anna", u"pw"));
    CLoginDialog dialog(settings, false);
    dialog.OnInitDialog();
    Fill(dialog, Q(exact), u"anna", u"pw");
    dialog.GetLoginButton()->click();
    Fill(dialog, Q(exact), u"ANNA", u"pw");
    dialog.GetLoginButton()->click();
    EXPECT_EQ(Count(kRefused), 2);
    EXPECT_EQ(dialog.GetFailedAttempts(), 2u);
    Fill(dialog, Q(exact), u"Anna", u"pw");
    dialog.GetLoginButton()->click();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.TakeCredentials().userName, u"Anna");
}

TEST_F(LoginDialog, EmptyInputsAskAndDoNotCount) {
    CLoginDialog dialog(settings, false);
    dialog.OnInitDialog();
    QSignalSpy finished(&dialog, &QDialog::finished);
    Fill(dialog, QString(), u"anna", u"Geheim 123!");
    dialog.GetLoginButton()->click();
    Fill(dialog, Q(database), u"", u"Geheim 123!");
    dialog.GetLoginButton()->click();
    Fill(dialog, Q(database), u"anna", u"");
    dialog.GetLoginButton()->click();
    EXPECT_EQ(Texts(), QStringList({Q(u"Geben Sie die zu öffnende Datenbank ein."),
                                    Q(u"Geben Sie den Benutzernamen ein."), Q(u"Geben Sie das Passwort ein.")}));
    EXPECT_EQ(dialog.GetFailedAttempts(), 0u);
    EXPECT_EQ(finished.count(), 0);
}

TEST_F(LoginDialog, QuotedPathIsUnquoted) {
    EXPECT_EQ(LoginBase::Unquote(u"\"/a b/c.twdb\""), u"/a b/c.twdb");
    EXPECT_EQ(LoginBase::Unquote(u"\"/a b/c.twdb"), u"/a b/c.twdb");
    EXPECT_EQ(LoginBase::Unquote(u"/a b/c.twdb\""), u"/a b/c.twdb");
    EXPECT_EQ(LoginBase::Unquote(u"\""), u"");

    CLoginDialog dialog(settings, false);
    dialog.OnInitDialog();
    Fill(dialog, QLatin1Char('"') + Q(database) + QLatin1Char('"'), u"anna", u"Geheim 123!");
    dialog.GetLoginButton()->click();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetDatabasePath(), database);
}

TEST_F(LoginDialog, MissingDatabaseIsReportedOnceAndNotCounted) {
    CLoginDialog dialog(settings, false);
    dialog.OnInitDialog();
    QSignalSpy finished(&dialog, &QDialog::finished);
    const fs::path missing = Databases() / "Fehlt.twdb";
    Fill(dialog, Q(missing), u"anna", u"Geheim 123!");
    dialog.GetLoginButton()->click();
    EXPECT_EQ(Texts(), QStringList({Q(u"Die Datenbank \"") + Q(missing) + Q(u"\" ist nicht vorhanden.")}));
    EXPECT_EQ(dialog.GetFailedAttempts(), 0u);
    EXPECT_EQ(finished.count(), 0);

    // Not a database at all: the database object reports it, the dialog stays.
    const fs::path bogus = Databases() / "Kaputt.twdb";
    std::ofstream(bogus) << "kein Tresor";
    Fill(dialog, Q(bogus), u"anna", u"Geheim 123!");
    dialog.GetLoginButton()->click();
    EXPECT_EQ(Count(kRefused), 0);
    EXPECT_EQ(dialog.GetFailedAttempts(), 0u);
    EXPECT_EQ(finished.count(), 0);
}

TEST_F(LoginDialog, InitialSelectionOrder) {
    settings.rememberLastDatabase = true;
    settings.recentDatabases.items = {{u"/r/eins.twdb", 0}, {u"/r/zwei.twdb", 7}, {u"/r/eins.twdb", 3}};
    {
        CLoginDialog dialog(settings, false);
        dialog.SetCommandLinePath(u"/r/zwei.twdb");
        dialog.SetMainWindowPath(u"/r/drei.twdb");
        dialog.OnInitDialog();
        QComboBox* box = dialog.GetDatabaseBox();
        ASSERT_EQ(box->count(), 3); // exact duplicates only once
        EXPECT_EQ(box->itemText(0), QStringLiteral("/r/zwei.twdb"));
        EXPECT_EQ(box->itemText(1), QStringLiteral("/r/eins.twdb"));
        EXPECT_EQ(box->itemText(2), QStringLiteral("/r/drei.twdb"));
        EXPECT_EQ(box->currentIndex(), 0); // the command line wins
        EXPECT_TRUE(dialog.IsSelectionMade());
        EXPECT_EQ(dialog.focusWidget(), dialog.GetUserNameEdit());
    }
    {
        CLoginDialog dialog(settings, false);
        dialog.SetMainWindowPath(u"/r/drei.twdb");
        dialog.OnInitDialog();
        EXPECT_EQ(dialog.GetDatabaseBox()->currentText(), QStringLiteral("/r/drei.twdb"));
        EXPECT_FALSE(dialog.IsSelectionMade());
    }
    {
        CLoginDialog dialog(settings, false);
        dialog.OnInitDialog();
        EXPECT_EQ(dialog.GetDatabaseBox()->currentText(), QStringLiteral("/r/eins.twdb"));
    }
    settings.rememberLastDatabase = false;
    {
        CLoginDialog dialog(settings, false);
        dialog.OnInitDialog();
        EXPECT_EQ(dialog.GetDatabaseBox()->count(), 0);
        EXPECT_EQ(dialog.focusWidget(), dialog.GetDatabaseBox());
    }
}

TEST_F(LoginDialog, BrowsedFileIsSelected) {
    CLoginDialog dialog(settings, false);
    dialog.SetCommandLinePath(u"/r/start.twdb");
    dialog.OnInitDialog();
    QString answer;
    AppTest::FileChooserScope chooser([&](Tarnwick::Core::DatabaseFileDialog::Mode mode) {
        EXPECT_EQ(mode, Tarnwick::Core::DatabaseFileDialog::Mode::Open);
        return answer;
    });
    dialog.GetBrowseButton()->click(); // cancelled
    EXPECT_EQ(dialog.GetDatabaseBox()->count(), 1);
    answer = Q(database);
    dialog.GetBrowseButton()->click();
    EXPECT_EQ(dialog.GetDatabaseBox()->count(), 2);
    // The file the user just picked is the one to log in to, preset or not.
    EXPECT_EQ(dialog.GetDatabaseBox()->currentText(), Q(database));
    EXPECT_EQ(dialog.focusWidget(), dialog.GetUserNameEdit());
}

TEST_F(LoginDialog, FirstStartAsksAfterOneHundredMilliseconds) {
    CLoginDialog dialog(settings, true);
    dialog.OnInitDialog();
    ASSERT_TRUE(dialog.GetFirstStartTimer()->isActive());
    EXPECT_EQ(dialog.GetFirstStartTimer()->interval(), 100);
    responder.Then(1); // "Nein"
    QTest::qWait(50);
    EXPECT_TRUE(responder.Seen().empty());
    QTRY_COMPARE_WITH_TIMEOUT(static_cast<int>(responder.Seen().size()), 1, 2000);
    const auto& shown = responder.Seen().front();
    EXPECT_EQ(shown.caption, Q(u"Willkommen zu Tarnwick 2010"));
    EXPECT_EQ(shown.text,
              Q(u"Um Ihre Passwörter einfach und komfortabel verwalten zu können, benötigen Sie eine Passwortdatenbank. "
                u"Tarnwick unterstützt Sie im Folgenden beim Anlegen dieser Passwortdatenbank. Möchten Sie nun mit "
                u"dem Anlegen einer neuen Passwortdatenbank fortfahren?"));
    EXPECT_EQ(shown.captions, QStringList({Q(u"Ja, neue Datenbank jetzt anlegen"), Q(u"Nein, keine neue Datenbank anlegen")}));
    EXPECT_EQ(shown.explanations,
              QStringList({Q(u"Der Assistent zum Anlegen der neuen Passwortdatenbank wird gestartet."),
                           Q(u"Ich besitze bereits eine Passwortdatenbank oder möchte jetzt keine Neue anlegen.")}));
    // Declined: nothing changed, and the question is not repeated.
    EXPECT_EQ(dialog.GetDatabaseBox()->count(), 0);
    QTest::qWait(200);
    EXPECT_EQ(responder.Seen().size(), 1u);

    CLoginDialog later(settings, false);
    later.OnInitDialog();
    EXPECT_FALSE(later.GetFirstStartTimer()->isActive());
}

TEST_F(LoginDialog, NewDatabaseButtonSelectsTheCreatedDatabase) {
    CLoginDialog dialog(settings, false);
    dialog.SetCommandLinePath(Tarnwick::Text::FromUtf8(database.string()));
    dialog.OnInitDialog();
    const fs::path created = Databases() / "Neu.twdb";
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto* wizard = qobject_cast<Tarnwick::CNewDatabaseWizard*>(&shown);
        ASSERT_NE(wizard, nullptr);
        wizard->show();
        Tarnwick::CNewDatabasePage& page = wizard->GetPage();
        page.GetPathEdit()->setText(Q(created));
        page.GetUserNameEdit()->setText(QStringLiteral("Bert"));
        page.GetPasswordEdit()->SetText(u"Lang und sicher 42!");
        page.GetRepetitionEdit()->SetText(u"Lang und sicher 42!");
        wizard->button(QWizard::FinishButton)->click();
    });
    dialog.GetNewDatabaseButton()->click();
    EXPECT_EQ(Count(u"Die Datenbank wurde erfolgreich erstellt."), 1);
    EXPECT_EQ(dialog.GetDatabaseBox()->currentText(), Q(created));
    EXPECT_TRUE(AppTest::CanLogIn(created, u"bert", u"Lang und sicher 42!"));
}

TEST_F(LoginDialog, ExceptionsStayInsideTheCommands) {
    CLoginDialog dialog(settings, false);
    dialog.OnInitDialog();
    {
        AppTest::FileChooserScope chooser([](Tarnwick::Core::DatabaseFileDialog::Mode) -> QString {
            throw std::runtime_error("chooser broken");
        });
        dialog.GetBrowseButton()->click();
    }
    EXPECT_NE(LogText().find("chooser broken"), std::string::npos);
    EXPECT_TRUE(responder.Seen().empty());

    Fill(dialog, Q(database), u"anna", u"Geheim 123!");
    {
        ThrowingFileSystem broken;
        dialog.GetLoginButton()->click();
    }
    EXPECT_NE(LogText().find("file layer broken"), std::string::npos);
    EXPECT_EQ(Count(kRefused), 1);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    // The dialog still works afterwards.
    dialog.GetLoginButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}
