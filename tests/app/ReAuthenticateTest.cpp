#include <gtest/gtest.h>

#include <QPushButton>
#include <QSignalSpy>

#include "AppTestSupport.h"
#include "app/login/DatabaseAuthenticationDialog.h"
#include "app/login/DialogHeader.h"
#include "app/login/ReAuthenticate.h"
#include "uiext/CueBannerEdit.h"
#include "uilib/SecureEdit.h"

using AppTest::Q;
using Tarnwick::CDatabaseAuthenticationDialog;
namespace fs = std::filesystem;

namespace {

constexpr std::u16string_view kRefused = u"Die Benutzerauthentifikation ist fehlgeschlagen.";

class Unlock : public AppTest::AppFixture {
protected:
    Unlock() { EXPECT_TRUE(AppTest::MakeDatabase(database, u"anna", u"Geheim 123!")); }

    static void Fill(CDatabaseAuthenticationDialog& dialog, std::u16string_view user, std::u16string_view password) {
        dialog.GetUserNameEdit()->setText(Q(user));
        dialog.GetPasswordEdit()->SetText(password);
    }

    const fs::path database = Databases() / "Büro Konten.twdb";
};

} // namespace

TEST_F(Unlock, DialogTexts) {
    Tarnwick::LoginCredentials receiving;
    CDatabaseAuthenticationDialog dialog(database, receiving);
    EXPECT_EQ(dialog.GetHeader()->GetTitle(), Q(u"Datenbankanmeldung"));
    EXPECT_EQ(dialog.GetHeader()->GetText(),
              Q(u"Geben Sie Benutzernamen und Passwort für die Datenbank \"Büro Konten.twdb\" ein"));
    EXPECT_EQ(dialog.GetUserNameEdit()->GetCueText(), Q(u"Benutzername"));
    EXPECT_EQ(dialog.GetPasswordEdit()->GetCueText(), Q(u"Passwort"));
    EXPECT_EQ(dialog.GetLoginButton()->text(), Q(u"&Anmelden"));
    EXPECT_EQ(dialog.GetCancelButton()->text(), Q(u"Abbrechen"));
}

TEST_F(Unlock, RefusalsWarnAndTheFourthPressGivesUp) {
    Tarnwick::LoginCredentials receiving = AppTest::Credentials(u"bisher", u"bisher");
    CDatabaseAuthenticationDialog dialog(database, receiving);
    QSignalSpy finished(&dialog, &QDialog::finished);
    Fill(dialog, u"anna", u"falsch");
    for (int i = 0; i < 3; ++i) {
        dialog.GetLoginButton()->click();
    }
    EXPECT_EQ(finished.count(), 0);
    EXPECT_EQ(Count(kRefused), 3);
    ASSERT_FALSE(responder.Seen().empty());
    EXPECT_EQ(responder.Seen().back().icon, QMessageBox::Warning);
    dialog.GetLoginButton()->click();
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Rejected);
    EXPECT_EQ(Count(kRefused), 3);
    // The receiving record is untouched.
    EXPECT_EQ(receiving.userName, u"bisher");
    EXPECT_TRUE(receiving.password.Equals(std::u16string_view(u"bisher")));
}

TEST_F(Unlock, AcceptedCredentialsAreHandedOn) {
    Tarnwick::LoginCredentials receiving;
    CDatabaseAuthenticationDialog dialog(database, receiving);
    Fill(dialog, u"Anna", u"Geheim 123!");
    dialog.GetLoginButton()->click();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    // The name the database accepted.
    EXPECT_EQ(receiving.userName, u"anna");
    EXPECT_TRUE(receiving.password.Equals(std::u16string_view(u"Geheim 123!")));
    EXPECT_TRUE(responder.Seen().empty());
}

TEST_F(Unlock, EmptyFieldsAndAVanishedFileKeepTheDialogOpen) {
    Tarnwick::LoginCredentials receiving;
    CDatabaseAuthenticationDialog dialog(database, receiving);
    QSignalSpy finished(&dialog, &QDialog::finished);
    Fill(dialog, u"", u"x");
    dialog.GetLoginButton()->click();
    Fill(dialog, u"anna", u"");
    dialog.GetLoginButton()->click();
    EXPECT_EQ(Texts(), QStringList({Q(u"Geben Sie den Benutzernamen ein."), Q(u"Geben Sie das Passwort ein.")}));

    const fs::path moved = Databases() / "weg.twdb";
    fs::rename(database, moved);
    Fill(dialog, u"anna", u"Geheim 123!");
    dialog.GetLoginButton()->click();
    EXPECT_EQ(finished.count(), 0);
    EXPECT_EQ(dialog.GetFailedAttempts(), 0u);
    fs::rename(moved, database);
    dialog.GetLoginButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(Unlock, OtherDatabaseErrorsEndTheDialog) {
    std::ofstream(database, std::ios::trunc) << "kein Tresor mehr";
    Tarnwick::LoginCredentials receiving;
    CDatabaseAuthenticationDialog dialog(database, receiving);
    QSignalSpy finished(&dialog, &QDialog::finished);
    Fill(dialog, u"anna", u"Geheim 123!");
    dialog.GetLoginButton()->click();
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Rejected);
    EXPECT_EQ(Count(kRefused), 0);
}

TEST_F(Unlock, ReAuthenticateRunsTheDialog) {
    Tarnwick::LoginCredentials unlocked;
    AppTest::DialogDriverScope driver([](QDialog& shown) {
        auto* dialog = qobject_cast<CDatabaseAuthenticationDialog*>(&shown);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->GetFailedAttempts(), 0u);
        Fill(*dialog, u"anna", u"Geheim 123!");
        dialog->GetLoginButton()->click();
    });
    EXPECT_TRUE(Tarnwick::App::ReAuthenticate(nullptr, database, unlocked));
    EXPECT_EQ(unlocked.userName, u"anna");

    AppTest::DialogDriverScope cancel([](QDialog& shown) { shown.reject(); });
    Tarnwick::LoginCredentials untouched;
    EXPECT_FALSE(Tarnwick::App::ReAuthenticate(nullptr, database, untouched));
    EXPECT_TRUE(untouched.userName.IsEmpty());
}
