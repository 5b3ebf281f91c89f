#include <gtest/gtest.h>

#include <cerrno>

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QWizard>

#include "AppTestSupport.h"
#include "app/login/NewDatabaseWizard.h"
#include "generator/ui/QualityBar.h"
#include "uilib/SecureEdit.h"

using AppTest::Q;
using Tarnwick::CNewDatabasePage;
using Tarnwick::CNewDatabaseWizard;
namespace fs = std::filesystem;

namespace {

constexpr std::u16string_view kExtensionQuestion =
    u"Der Name der Datenbank besitzt nicht die Dateiendung für Tarnwick Datenbanken (*.twdb). Möchten Sie diese "
    u"Dateiendung nun hinzufügen?";

class NewDatabase : public AppTest::AppFixture {
protected:
    static void Fill(CNewDatabasePage& page, const QString& path, const QString& user, std::u16string_view password,
                     std::u16string_view repetition) {
        page.GetPathEdit()->setText(path);
        page.GetUserNameEdit()->setText(user);
        page.GetPasswordEdit()->SetText(password);
        page.GetRepetitionEdit()->SetText(repetition);
    }

    // Shows the wizard as the modal run would and presses "Fertig stellen".
    static void Finish(CNewDatabaseWizard& wizard) {
        if (!wizard.isVisible()) {
            wizard.show();
        }
        wizard.button(QWizard::FinishButton)->click();
    }

    // Replaces the log-in name source for one test.
    struct UserNameScope {
        explicit UserNameScope(CNewDatabasePage::UserNameSource source)
            : previous(CNewDatabasePage::SetUserNameSource(std::move(source))) {}
        ~UserNameScope() { CNewDatabasePage::SetUserNameSource(std::move(previous)); }
        CNewDatabasePage::UserNameSource previous;
    };
};

} // namespace

TEST_F(NewDatabase, TitlesAndControls) {
    CNewDatabaseWizard wizard(false);
    EXPECT_EQ(wizard.windowTitle(), Q(u"Neue Passwortdatenbank erstellen"));
    wizard.show();
    CNewDatabasePage& page = wizard.GetPage();
    EXPECT_EQ(page.title(), Q(u"Neue Passwortdatenbank erstellen"));
    EXPECT_EQ(page.subTitle(), Q(u"Eingeben der Daten zum Erstellen einer neuen Passwortdatenbank."));
    EXPECT_EQ(wizard.windowTitle(), Q(u"Passwortdatenbank Assistent"));
    EXPECT_EQ(page.GetCaseSensitiveCheck()->text(), Q(u"&Groß-/Kleinschreibung beim Benutzernamen berücksichtigen"));
    EXPECT_EQ(page.GetHidePasswordCheck()->text(), Q(u"Passwort &verbergen"));
    EXPECT_TRUE(page.GetHidePasswordCheck()->isChecked());
    EXPECT_FALSE(page.GetCaseSensitiveCheck()->isChecked());
    EXPECT_TRUE(page.GetPasswordEdit()->IsMasked());
    EXPECT_TRUE(page.GetRepetitionEdit()->IsMasked());
    // The bar sits under the repetition field.
    EXPECT_GT(page.GetQualityBar()->geometry().top(), page.GetRepetitionEdit()->geometry().bottom());
    EXPECT_EQ(page.GetBrowseButton()->GetMode(), MFCServiceProvider::BrowseButton::Mode::Save);
    EXPECT_TRUE(page.GetUserNameEdit()->text().isEmpty());
    EXPECT_TRUE(page.GetPathEdit()->text().isEmpty());
}

TEST_F(NewDatabase, HidingAndTheQualityBar) {
    CNewDatabaseWizard wizard(false);
    wizard.show();
    CNewDatabasePage& page = wizard.GetPage();
    page.GetPasswordEdit()->SetText(u"a");
    const int weak = page.GetQualityBar()->GetScore();
    page.GetPasswordEdit()->SetText(u"Tr0ub4dor&3-Pferd-Batterie!");
    EXPECT_GT(page.GetQualityBar()->GetScore(), weak);
    page.GetHidePasswordCheck()->setChecked(false);
    EXPECT_FALSE(page.GetPasswordEdit()->IsMasked());
    EXPECT_FALSE(page.GetRepetitionEdit()->IsMasked());
    EXPECT_EQ(page.GetPasswordEdit()->text(), QStringLiteral("Tr0ub4dor&3-Pferd-Batterie!"));
    page.GetHidePasswordCheck()->setChecked(true);
    EXPECT_TRUE(page.GetPasswordEdit()->IsMasked());
    EXPECT_NE(page.GetPasswordEdit()->text(), QStringLiteral("Tr0ub4dor&3-Pferd-Batterie!"));
}

TEST_F(NewDatabase, InputsAreCheckedInOrder) {
    CNewDatabaseWizard wizard(false);
    CNewDatabasePage& page = wizard.GetPage();
    const QString path = Q(Databases() / "a.twdb");
    Fill(page, QString(), QStringLiteral("anna"), u"pw", u"pw");
    Finish(wizard);
    Fill(page, path, QString(), u"pw", u"pw");
    Finish(wizard);
    Fill(page, path, QStringLiteral("anna"), u"", u"pw");
    Finish(wizard);
    Fill(page, path, QStringLiteral("anna"), u"pw", u"");
    Finish(wizard);
    Fill(page, path, QStringLiteral("anna"), u"pw", u"pW");
    Finish(wizard);
    Fill(page, path, QStringLiteral("anna"), u"pw", u"pw2");
    Finish(wizard);
    EXPECT_EQ(Texts(), QStringList({Q(u"Geben Sie einen Datenbanknamen an."), Q(u"Geben Sie einen Benutzernamen ein."),
                                    Q(u"Geben Sie ein Datenbankpasswort ein."),
                                    Q(u"Wiederholen Sie die Eingabe Ihres Passworts im Feld \"Wiederholung\"."),
                                    Q(u"Das Passwort stimmt nicht mit der Widerholung überein."),
                                    Q(u"Das Passwort stimmt nicht mit der Widerholung überein.")}));
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_TRUE(wizard.GetCreatedPath().empty());
    EXPECT_FALSE(fs::exists(Databases() / "a.twdb"));
}

TEST_F(NewDatabase, CreatesWithLowerCasedNameUnlessCaseMatters) {
    const fs::path path = Databases() / "Privat.twdb";
    {
        CNewDatabaseWizard wizard(false);
        Fill(wizard.GetPage(), Q(path), QStringLiteral("Anna Müller"), u"Sesam öffne dich!", u"Sesam öffne dich!");
        Finish(wizard);
        EXPECT_EQ(wizard.result(), QDialog::Accepted);
        EXPECT_EQ(wizard.GetCreatedPath(), Tarnwick::Text::FromUtf8(path.string()));
        EXPECT_EQ(Texts(), QStringList({Q(u"Die Datenbank wurde erfolgreich erstellt.")}));
        ASSERT_FALSE(responder.Seen().empty());
        EXPECT_EQ(responder.Seen().back().icon, QMessageBox::Information);
    }
    EXPECT_TRUE(AppTest::CanLogIn(path, u"anna müller", u"Sesam öffne dich!"));
    EXPECT_FALSE(AppTest::CanLogIn(path, u"Anna Müller", u"Sesam öffne dich!"));

    const fs::path exact = Databases() / "Exakt.twdb";
    CNewDatabaseWizard wizard(false);
    Fill(wizard.GetPage(), Q(exact), QStringLiteral("Anna Müller"), u"pw", u"pw");
    wizard.GetPage().GetCaseSensitiveCheck()->setChecked(true);
    Finish(wizard);
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    EXPECT_TRUE(AppTest::CanLogIn(exact, u"Anna Müller", u"pw"));
    EXPECT_FALSE(AppTest::CanLogIn(exact, u"anna müller", u"pw"));
}

TEST_F(NewDatabase, ExtensionIsOffered) {
    const fs::path bare = Databases() / "Ohne";
    {
        CNewDatabaseWizard wizard(false);
        responder.Then(QMessageBox::Yes);
        Fill(wizard.GetPage(), Q(bare), QStringLiteral("anna"), u"pw", u"pw");
        Finish(wizard);
        ASSERT_GE(responder.Seen().size(), 1u);
        EXPECT_EQ(responder.Seen()[0].text, Q(kExtensionQuestion));
        QStringList buttons = responder.Seen()[0].buttons;
        buttons.sort();
        EXPECT_EQ(buttons, QStringList({QStringLiteral("Abbrechen"), QStringLiteral("Ja"), QStringLiteral("Nein")}));
        EXPECT_EQ(wizard.GetCreatedPath(), Tarnwick::Text::FromUtf8(bare.string()) + u".twdb");
        EXPECT_TRUE(fs::exists(Databases() / "Ohne.twdb"));
        EXPECT_FALSE(fs::exists(bare));
    }
    {
        // Capitals are no ".twdb": offered too; "Nein" keeps the name.
        const fs::path capitals = Databases() / "Gross.TWDB";
        CNewDatabaseWizard wizard(false);
        responder.Then(QMessageBox::No);
        Fill(wizard.GetPage(), Q(capitals), QStringLiteral("anna"), u"pw", u"pw");
        Finish(wizard);
        EXPECT_EQ(Count(kExtensionQuestion), 2);
        EXPECT_EQ(wizard.GetCreatedPath(), Tarnwick::Text::FromUtf8(capitals.string()));
        EXPECT_TRUE(fs::exists(capitals));
    }
    {
        // "Abbrechen" returns to the page.
        const fs::path kept = Databases() / "Abgebrochen";
        CNewDatabaseWizard wizard(false);
        responder.Then(QMessageBox::Cancel);
        Fill(wizard.GetPage(), Q(kept), QStringLiteral("anna"), u"pw", u"pw");
        Finish(wizard);
        EXPECT_EQ(Count(kExtensionQuestion), 3);
        EXPECT_TRUE(wizard.isVisible());
        EXPECT_TRUE(wizard.GetCreatedPath().empty());
        EXPECT_FALSE(fs::exists(kept));
        EXPECT_FALSE(fs::exists(Databases() / "Abgebrochen.twdb"));
    }
}

TEST_F(NewDatabase, ExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
    const fs::path path = Databases() / "Alt.twdb";
    ASSERT_TRUE(AppTest::MakeDatabase(path, u"alt", u"alt"));
    {
        CNewDatabaseWizard wizard(false);
        responder.Then(1); // "Datenbank nicht ersetzen"
        Fill(wizard.GetPage(), Q(path), QStringLiteral("neu"), u"neu", u"neu");
        Finish(wizard);
        ASSERT_EQ(responder.Seen().size(), 1u);
        EXPECT_EQ(responder.Seen()[0].instruction, Q(u"Es existiert bereits eine Datenbank mit diesem Namen"));
        EXPECT_EQ(responder.Seen()[0].captions,
                  QStringList({Q(u"Datenbank ersetzen"), Q(u"Datenbank nicht ersetzen")}));
        // Nothing is pre-chosen when a file is at stake.
        EXPECT_TRUE(responder.Seen()[0].defaultButton.isEmpty());
        EXPECT_TRUE(wizard.isVisible());
        EXPECT_TRUE(AppTest::CanLogIn(path, u"alt", u"alt"));
    }
    CNewDatabaseWizard wizard(false);
    responder.Then(0); // "Datenbank ersetzen"
    Fill(wizard.GetPage(), Q(path), QStringLiteral("neu"), u"neu", u"neu");
    Finish(wizard);
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    EXPECT_TRUE(AppTest::CanLogIn(path, u"neu", u"neu"));
}

TEST_F(NewDatabase, FailedCreationKeepsThePageOpen) {
    CNewDatabaseWizard wizard(false);
    Fill(wizard.GetPage(), Q(Databases() / "fehlt" / "x.twdb"), QStringLiteral("anna"), u"pw", u"pw");
    Finish(wizard);
    EXPECT_EQ(Count(u"Fehler beim Erstellen der Datenbank."), 1);
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_TRUE(wizard.GetCreatedPath().empty());
}

TEST_F(NewDatabase, FirstStartSuggestsTheLogInName) {
    UserNameScope names([](std::string& out) {
        out = "jörg";
        return Tarnwick::Platform::SystemResult{};
    });
    CNewDatabaseWizard wizard(true);
    std::optional<int> result;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        ASSERT_EQ(&shown, &wizard);
        wizard.show();
        CNewDatabasePage& page = wizard.GetPage();
        EXPECT_EQ(page.GetUserNameEdit()->text(), Q(u"jörg"));
        EXPECT_EQ(page.GetPathEdit()->text(), Q(Tarnwick::Core::Path::GetLocalAppPath() / "jörg.twdb"));
        QCoreApplication::processEvents();
        EXPECT_EQ(wizard.focusWidget(), page.GetPasswordEdit());
        page.GetPasswordEdit()->SetText(u"Erster Start!");
        page.GetRepetitionEdit()->SetText(u"Erster Start!");
        Finish(wizard);
    });
    EXPECT_EQ(wizard.DoModal(), CNewDatabaseWizard::kFinished);
    EXPECT_TRUE(AppTest::CanLogIn(Tarnwick::Core::Path::GetLocalAppPath() / "jörg.twdb", u"jörg", u"Erster Start!"));
}

TEST_F(NewDatabase, FirstStartWithoutLogInNameEndsTheWizard) {
    UserNameScope names([](std::string&) { return Tarnwick::Platform::SystemResult{ENOENT, u"getpwuid_r"}; });
    CNewDatabaseWizard wizard(true);
    bool shown = false;
    AppTest::DialogDriverScope driver([&](QDialog&) { shown = true; });
    EXPECT_EQ(wizard.DoModal(), CNewDatabaseWizard::kCancelled);
    EXPECT_FALSE(shown);
    EXPECT_EQ(Texts(), QStringList({Q(u"Es ist ein Fehler beim Vorbereiten des Datenbank Assistenten für den ersten "
                                      u"Programmstart aufgetreten.")}));
    const std::string log = LogText();
    EXPECT_NE(log.find("GetUserName"), std::string::npos);
    EXPECT_NE(log.find("CNewDatabasePage::GetWindowsUsername"), std::string::npos);
}

TEST_F(NewDatabase, SaveBrowseButtonUsesTheSaveDialog) {
    CNewDatabaseWizard wizard(false);
    wizard.show();
    const fs::path chosen = Databases() / "Gewählt.twdb";
    AppTest::FileChooserScope chooser([&](Tarnwick::Core::DatabaseFileDialog::Mode mode) {
        EXPECT_EQ(mode, Tarnwick::Core::DatabaseFileDialog::Mode::Save);
        return Q(chosen);
    });
    wizard.GetPage().GetBrowseButton()->click();
    EXPECT_EQ(wizard.GetPage().GetPathEdit()->text(), Q(chosen));
}
