// Pictures of the search, maintenance and printing dialogs and of the print preview for
// review: written only when TW_SCREENSHOT_DIR names a folder (scripts/screenshots).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "AppTestSupport.h"
#include "MainFrameTestSupport.h"
#include "app/dialogs/ChangeDatabasePasswordDialog.h"
#include "app/dialogs/DatabaseBackupDialog.h"
#include "app/dialogs/DatabasePropertySheet.h"
#include "app/dialogs/DeleteDatabaseDialog.h"
#include "app/dialogs/PasswordPrintDialog.h"
#include "app/dialogs/SearchCommands.h"
#include "app/dialogs/SearchDialog.h"
#include "app/dialogs/SelectPasswordItemDialog.h"
#include "app/mainframe/CommandIds.h"
#include "app/views/PasswordDataTreeCtrl.h"
#include "model/Clock.h"
#include "support/Screenshots.h"
#include "uilib/SecureEdit.h"

namespace MainFrameTest {
namespace {

using namespace Tarnwick::Commands;
using Tarnwick::PasswordADT::PasswordData;
using Tarnwick::PasswordADT::PasswordItem;

std::shared_ptr<PasswordItem> Entry(const char16_t* description, const char16_t* user, const char16_t* url,
                                    const char16_t* comment) {
    auto item = std::make_shared<PasswordItem>();
    item->SetDescription(description);
    item->SetUserName(user);
    item->SetPassword(Tarnwick::PasswordADT::CurrentTime(), StringServiceProvider::SecureString(std::u16string_view(u"x7!Rq9#pLm")));
    item->SetUrl(url);
    item->SetComment(comment);
    return item;
}

PasswordData SampleVault() {
    PasswordData data;
    auto banks = data.AddFolder(u"Banken");
    auto mail = data.AddFolder(u"E-Mail");
    auto work = data.AddFolder(u"Arbeit");
    data.AddSubfolder(work->GetId(), u"Intern");
    banks->Entries().push_back(Entry(u"Sparkasse Online-Banking", u"m.mustermann", u"https://www.sparkasse.example/",
                                     u"PIN-Brief liegt im Ordner \"Bank\"."));
    banks->Entries().push_back(Entry(u"Volksbank", u"mustermann1970", u"https://www.volksbank.example/", u"Zweites Konto"));
    banks->Entries().push_back(Entry(u"Kreditkarte & Bank <Visa>", u"4111 1111", u"", u"Kartenprüfnummer auf der Rückseite"));
    mail->Entries().push_back(Entry(u"Posteo", u"max.mustermann@posteo.example", u"https://posteo.example/", u""));
    work->Entries().push_back(Entry(u"VPN", u"mmustermann", u"vpn.firma.example", u"Zugang zur Bank-Schnittstelle"));
    return data;
}

class DialogScreenshots : public MainFrameFixture {
protected:
    void SetUp() override {
        MainFrameFixture::SetUp();
        folder = TestSupport::ScreenshotFolder();
        if (folder.isEmpty()) {
            GTEST_SKIP() << "TW_SCREENSHOT_DIR is not set";
        }
        Open(SampleVault());
        frame->resize(1100, 700);
        frame->show();
    }
    void TearDown() override {
        Tarnwick::CPasswordPrintDialog::SetPdfChooser({});
        Tarnwick::Search::CachedSearchTerms().Clear();
        MainFrameFixture::TearDown();
    }
    void Save(QWidget& widget, const QString& name) {
        ASSERT_TRUE(TestSupport::SavePicture(widget, folder, name)) << name.toStdString();
    }

    QString folder;
};

TEST_F(DialogScreenshots, SearchAndEntrySelection) {
    Tarnwick::Search::CachedSearchTerms().Add(u"Bank");
    Tarnwick::Search::CachedSearchTerms().Add(u"mustermann");
    AppTest::DialogDriverScope driver([&](QDialog& dialog) {
        if (auto* search = qobject_cast<Tarnwick::CSearchDialog*>(&dialog)) {
            search->GetTextBox()->setEditText(QStringLiteral("bank"));
            search->GetKeepTermBox()->setChecked(true);
            Save(dialog, QStringLiteral("dialog-search.png"));
            search->GetSearchButton()->click();
        } else if (auto* select = qobject_cast<Tarnwick::CSelectPasswordItemDialog*>(&dialog)) {
            select->GetTree()->expandAll();
            select->GetTree()->setCurrentItem(select->GetTree()->findItems(QStringLiteral("Posteo"), Qt::MatchRecursive).front());
            Save(dialog, QStringLiteral("dialog-select-entry.png"));
            dialog.reject();
        }
    });
    frame->ExecuteCommand(ID_SEARCH);
    Save(*frame, QStringLiteral("mainframe-search-result.png"));
    frame->RequestAutoCompletionChoice(Tarnwick::CMainFrame::kChoiceAssignEntry);
    QCoreApplication::processEvents();

    ASSERT_TRUE(frame->SelectFolder(0));
    frame->View()->FilterEdit()->setFocus();
    QTest::keyClicks(frame->View()->FilterEdit(), QStringLiteral("mustermann"));
    QTest::qWait(Tarnwick::Dialogs::QuickSearch::kTypingPauseMs * 2);
    Save(*frame, QStringLiteral("mainframe-filter.png"));
}

TEST_F(DialogScreenshots, MaintenanceDialogs) {
    AppTest::DialogDriverScope driver([&](QDialog& dialog) {
        if (auto* password = qobject_cast<Tarnwick::CChangeDatabasePasswordDialog*>(&dialog)) {
            password->GetCurrentEdit()->SetText(std::u16string_view(u"altes Passwort"));
            password->GetNewEdit()->SetText(std::u16string_view(u"Ein-neues_Passwort!2024"));
            Save(dialog, QStringLiteral("dialog-change-password.png"));
        } else if (auto* sheet = qobject_cast<Tarnwick::CDatabasePropertySheet*>(&dialog)) {
            sheet->resize(560, 520);
            Save(dialog, QStringLiteral("dialog-properties-details.png"));
            sheet->GetPages()->setCurrentIndex(1);
            Save(dialog, QStringLiteral("dialog-properties-extras.png"));
        } else if (qobject_cast<Tarnwick::CDatabaseBackupDialog*>(&dialog) != nullptr) {
            Save(dialog, QStringLiteral("dialog-backup.png"));
        } else if (auto* remove = qobject_cast<Tarnwick::CDeleteDatabaseDialog*>(&dialog)) {
            Save(dialog, QStringLiteral("dialog-delete.png"));
            remove->GetOtherButton()->setChecked(true);
            remove->GetPathEdit()->setText(QStringLiteral("/home/max/Alte Datenbank.twdb"));
            Save(dialog, QStringLiteral("dialog-delete-other.png"));
        }
        dialog.reject();
    });
    for (int id : {ID_DATABASE_CHANGE_PASSWORD, ID_DATABASE_PROPERTIES, ID_DATABASE_BACKUP, ID_DATABASE_DELETE}) {
        frame->ExecuteCommand(id);
    }
}

TEST_F(DialogScreenshots, PrintingAndPreview) {
    AppTest::DialogDriverScope driver([&](QDialog& dialog) {
        if (auto* preview = qobject_cast<QPrintPreviewDialog*>(&dialog)) {
            preview->resize(1000, 760);
            Save(dialog, QStringLiteral("print-preview.png"));
            dialog.reject();
            return;
        }
        auto* print = qobject_cast<Tarnwick::CPasswordPrintDialog*>(&dialog);
        ASSERT_NE(print, nullptr);
        print->GetTree()->expandAll();
        print->GetTree()->SetCheck(print->GetTree()->findItems(QStringLiteral("Banken"), Qt::MatchRecursive).front(), true);
        print->GetTree()->SetCheck(print->GetTree()->findItems(QStringLiteral("VPN"), Qt::MatchRecursive).front(), true);
        print->GetAllDataBox()->setChecked(true);
        Save(dialog, print->IsPreview() ? QStringLiteral("dialog-print-preview-mode.png")
                                        : QStringLiteral("dialog-print.png"));
        if (print->IsPreview()) {
            print->GetPreviewButton()->click();
        }
        dialog.reject();
    });
    frame->ExecuteCommand(ID_PRINT);
    frame->ExecuteCommand(ID_PRINT_PREVIEW);
}

} // namespace
} // namespace MainFrameTest
