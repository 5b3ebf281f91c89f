// The options dialog: its pages, the ranges of the time fields, and that only an accepted OK
// changes the record and the autostart entry.
#include <sys/stat.h>

#include <QToolButton>

#include "OptionsTestSupport.h"
#include "options/SettingsStorage.h"
#include "options/ui/AutostartEntry.h"

namespace OptionsUiTest {
namespace {

using Tarnwick::OptionsLibrary::CAppearancePage;
using Tarnwick::OptionsLibrary::CAutoCompletionPage;
using Tarnwick::OptionsLibrary::CGeneralPage;
using Tarnwick::OptionsLibrary::CMessagesPage;
using Tarnwick::OptionsLibrary::CPasswordListPage;
using Tarnwick::OptionsLibrary::CSecurityPage;
using Tarnwick::OptionsLibrary::CSpinField;

// Every check box of the dialog: page, control id, field.
struct CheckControl {
    int page;
    int id;
    bool Settings::*field;
};

const CheckControl kChecks[] = {
    {0, 5013, &Settings::saveMainWindowPosition},
    {0, 5014, &Settings::saveListSplitterPosition},
    {0, 5015, &Settings::saveFolderListPosition},
    {0, 5016, &Settings::rememberLastDatabase},
    {0, 5003, &Settings::bringTargetToFront},
    {0, 5004, &Settings::startWithWindows},
    {0, 5025, &Settings::minimizeToTrayOnClose},
    {0, 5026, &Settings::minimizeToTrayAfterStart},
    {0, 5037, &Settings::checkForUpdatesAtStart},
    {1, 5003, &Settings::clearTypeMainWindow},
    {1, 5004, &Settings::clearTypeDialogs},
    {1, 5006, &Settings::themeOnDialogs},
    {1, 5005, &Settings::themeFontOnDialogs},
    {2, 5018, &Settings::messageAfterTask},
    {2, 5019, &Settings::confirmDragDropMove},
    {2, 5020, &Settings::messageAfterDatabaseDelete},
    {2, 5021, &Settings::messageAfterExportImport},
    {2, 5007, &Settings::warnClipboardWatched},
    {3, 5011, &Settings::showHorizontalLines},
    {4, 5003, &Settings::autoCompletionEnabled},
    {5, 5029, &Settings::autoLockWorkspace},
    {5, 5030, &Settings::allowAutoCompletionWhenLocked},
    {5, 5017, &Settings::clearClipboardOnExit},
};

QCheckBox* Check(const CSettingsDialog& dialog, const CheckControl& control) {
    return dialog.Pages().at(static_cast<std::size_t>(control.page))->Control<QCheckBox>(control.id);
}

QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) {
        items << combo->itemText(i) + QLatin1Char('=') + combo->itemData(i).toString();
    }
    return items;
}

// A record whose option fields all differ from the defaults.
Settings Changed() {
    Settings changed;
    for (const CheckControl& control : kChecks) {
        changed.*control.field = !(changed.*control.field);
    }
    changed.visualStyleType = 42003;
    changed.listSortKey = 32870;
    changed.listSortDirection = 32873;
    changed.hotKey = 'K';
    changed.hotKeyModifier1 = 2;
    changed.hotKeyModifier2 = 1;
    changed.workspaceLockSeconds = 90;
    changed.clipboardClearSeconds = 0;
    return changed;
}

class OptionsDialogTest : public OptionsFixture {};

TEST_F(OptionsDialogTest, ShowsSixPagesInTheTreeAndSwitchesBetweenThem) {
    const int result = Run([&](CSettingsDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Einstellungen"));
        QTreeWidgetItem* root = dialog.GetTree()->topLevelItem(0);
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(root->text(0), QStringLiteral("Einstellungen"));
        EXPECT_TRUE(root->isExpanded());
        QStringList names;
        for (int i = 0; i < root->childCount(); ++i) {
            names << root->child(i)->text(0);
        }
        EXPECT_EQ(names, (QStringList{QStringLiteral("Allgemein"), QStringLiteral("Aussehen"), QStringLiteral("Meldungen"),
                                      QStringLiteral("Passwortliste"), QStringLiteral("Auto-Vervollständigung"),
                                      QStringLiteral("Sicherheit")}));
        EXPECT_EQ(dialog.GetTree()->currentItem(), root->child(0));
        EXPECT_EQ(dialog.GetCaption()->text(), QStringLiteral("Allgemein"));
        EXPECT_TRUE(dialog.GetCaption()->font().bold());
        EXPECT_EQ(dialog.GetCancelButton()->text(), QStringLiteral("&Abbrechen"));

        dialog.SelectPage(5);
        EXPECT_EQ(dialog.CurrentPage(), dialog.Pages()[5]);
        EXPECT_EQ(dialog.GetCaption()->text(), QStringLiteral("Sicherheit"));
        // The root is no page: the page shown stays.
        dialog.GetTree()->setCurrentItem(root);
        EXPECT_EQ(dialog.CurrentPage(), dialog.Pages()[5]);
        EXPECT_EQ(dialog.GetCaption()->text(), QStringLiteral("Sicherheit"));
        dialog.GetCancelButton()->click();
    });
    EXPECT_EQ(result, Options::IDCANCEL);
}

TEST_F(OptionsDialogTest, EveryCheckBoxShowsAndStoresItsField) {
    settings = Changed();
    settings.startWithWindows = false; // the autostart entry has a test of its own
    const Settings shown = settings;
    const int result = Run([&](CSettingsDialog& dialog) {
        for (const CheckControl& control : kChecks) {
            QCheckBox* box = Check(dialog, control);
            ASSERT_NE(box, nullptr) << control.id;
            EXPECT_EQ(box->isChecked(), shown.*control.field) << control.id;
            if (control.id != 5004 || control.page != 0) {
                box->setChecked(!box->isChecked());
            }
        }
        dialog.GetOkButton()->click();
    });
    ASSERT_EQ(result, Options::IDOK);
    for (const CheckControl& control : kChecks) {
        if (control.id != 5004 || control.page != 0) {
            EXPECT_EQ(settings.*control.field, !(shown.*control.field)) << control.id;
        }
    }
    EXPECT_TRUE(responder.Seen().empty());
}

TEST_F(OptionsDialogTest, ComboBoxesAndSortDirection) {
    settings.visualStyleType = 42002;
    settings.listSortKey = 32871;
    settings.listSortDirection = 32872;
    const int result = Run([&](CSettingsDialog& dialog) {
        auto* theme = PageOf<CAppearancePage>(dialog).Control<QComboBox>(5008);
        EXPECT_EQ(Items(theme), (QStringList{QStringLiteral("Blau=42000"), QStringLiteral("Silber=42001"),
                                             QStringLiteral("Schwarz=42002"), QStringLiteral("Aqua=42003"),
                                             QStringLiteral("Windows 7=42004")}));
        EXPECT_EQ(theme->currentText(), QStringLiteral("Schwarz"));
        auto& list = PageOf<CPasswordListPage>(dialog);
        auto* sort = list.Control<QComboBox>(5012);
        EXPECT_EQ(Items(sort), (QStringList{QStringLiteral("Name=32867"), QStringLiteral("Index=32868"),
                                            QStringLiteral("Erstelldatum=32869"),
                                            QStringLiteral("Datum der letzten Änderung=32870"),
                                            QStringLiteral("Verfallsdatum=32871")}));
        EXPECT_EQ(sort->currentText(), QStringLiteral("Verfallsdatum"));
        EXPECT_TRUE(list.Control<QRadioButton>(5009)->isChecked());
        EXPECT_EQ(list.Control<QRadioButton>(5009)->text(), QStringLiteral("Absteigend sortieren"));
        EXPECT_FALSE(list.Control<QRadioButton>(5010)->isChecked());

        theme->setCurrentIndex(4);
        sort->setCurrentIndex(0);
        list.Control<QRadioButton>(5010)->setChecked(true);
        dialog.GetOkButton()->click();
    });
    ASSERT_EQ(result, Options::IDOK);
    EXPECT_EQ(settings.visualStyleType, 42004);
    EXPECT_EQ(settings.listSortKey, 32867);
    EXPECT_EQ(settings.listSortDirection, 32873);
}

TEST_F(OptionsDialogTest, ValuesOutsideTheListsSelectNothingAndStay) {
    settings.visualStyleType = 7;
    settings.listSortKey = 99999;
    settings.listSortDirection = 12345; // anything but descending shows ascending
    const int result = Run([&](CSettingsDialog& dialog) {
        EXPECT_EQ(PageOf<CAppearancePage>(dialog).Control<QComboBox>(5008)->currentIndex(), -1);
        EXPECT_EQ(PageOf<CPasswordListPage>(dialog).Control<QComboBox>(5012)->currentIndex(), -1);
        EXPECT_TRUE(PageOf<CPasswordListPage>(dialog).Control<QRadioButton>(5010)->isChecked());
        dialog.GetOkButton()->click();
    });
    ASSERT_EQ(result, Options::IDOK);
    EXPECT_EQ(settings.visualStyleType, 7);
    EXPECT_EQ(settings.listSortKey, 99999);
    EXPECT_EQ(settings.listSortDirection, 32873);
}

TEST_F(OptionsDialogTest, DefaultsShowFiveMinutesAndHalfAMinute) {
    Run([&](CSettingsDialog& dialog) {
        auto& page = PageOf<CSecurityPage>(dialog);
        EXPECT_FALSE(page.GetLockBox()->isChecked());
        EXPECT_EQ(page.GetLockMinutes()->Text(), QStringLiteral("5"));
        EXPECT_EQ(page.GetLockSeconds()->Text(), QString());
        EXPECT_FALSE(page.GetLockMinutes()->isEnabled());
        EXPECT_FALSE(page.GetLockSeconds()->isEnabled());
        EXPECT_TRUE(page.GetClipboardBox()->isChecked());
        EXPECT_EQ(page.GetClipboardMinutes()->Text(), QStringLiteral("0"));
        EXPECT_EQ(page.GetClipboardSeconds()->Text(), QStringLiteral("30"));
        EXPECT_TRUE(page.GetClipboardMinutes()->isEnabled());
        // The ids of the fields and their spinners.
        EXPECT_EQ(page.Control<QLineEdit>(5037), page.GetLockMinutes()->GetEdit());
        EXPECT_EQ(page.Control<CSpinField>(5038), page.GetLockMinutes());
        EXPECT_EQ(page.Control<QLineEdit>(5032), page.GetLockSeconds()->GetEdit());
        EXPECT_EQ(page.Control<QLineEdit>(5039), page.GetClipboardMinutes()->GetEdit());
        EXPECT_EQ(page.Control<QLineEdit>(5035), page.GetClipboardSeconds()->GetEdit());
        // Toggling a box follows at once.
        page.GetLockBox()->setChecked(true);
        EXPECT_TRUE(page.GetLockMinutes()->isEnabled());
        page.GetClipboardBox()->setChecked(false);
        EXPECT_FALSE(page.GetClipboardSeconds()->isEnabled());
        dialog.GetOkButton()->click();
    });
    // Five minutes and an empty seconds field, now switched on.
    EXPECT_EQ(settings.workspaceLockSeconds, 300);
    EXPECT_EQ(settings.clipboardClearSeconds, 0);
}

TEST_F(OptionsDialogTest, SecondsSplitIntoMinutesAndSecondsAndJoinAgain) {
    settings.workspaceLockSeconds = 90;
    settings.clipboardClearSeconds = 125;
    const int result = Run([&](CSettingsDialog& dialog) {
        auto& page = PageOf<CSecurityPage>(dialog);
        EXPECT_TRUE(page.GetLockBox()->isChecked());
        EXPECT_EQ(page.GetLockMinutes()->Text(), QStringLiteral("1"));
        EXPECT_EQ(page.GetLockSeconds()->Text(), QStringLiteral("30"));
        EXPECT_EQ(page.GetClipboardMinutes()->Text(), QStringLiteral("2"));
        EXPECT_EQ(page.GetClipboardSeconds()->Text(), QStringLiteral("5"));
        page.GetLockMinutes()->SetText(QStringLiteral("60"));
        page.GetLockSeconds()->SetText(QStringLiteral("59"));
        page.GetClipboardMinutes()->SetText(QStringLiteral("1"));
        page.GetClipboardSeconds()->SetText(QStringLiteral("30"));
        dialog.GetOkButton()->click();
    });
    ASSERT_EQ(result, Options::IDOK);
    EXPECT_EQ(settings.workspaceLockSeconds, 60 * 60 + 59);
    EXPECT_EQ(settings.clipboardClearSeconds, 90);
    EXPECT_TRUE(responder.Seen().empty());
}

TEST_F(OptionsDialogTest, UncheckedClipboardClearingStoresZeroWhateverTheFieldsHold) {
    settings.clipboardClearSeconds = 45;
    Run([&](CSettingsDialog& dialog) {
        auto& page = PageOf<CSecurityPage>(dialog);
        page.GetClipboardMinutes()->SetText(QStringLiteral("7"));
        page.GetClipboardBox()->setChecked(false);
        dialog.GetOkButton()->click();
    });
    EXPECT_EQ(settings.clipboardClearSeconds, 0);
}

TEST_F(OptionsDialogTest, ClearingOnExitIsIndependentOfTheWorkspaceLock) {
    Run([&](CSettingsDialog& dialog) {
        auto& page = PageOf<CSecurityPage>(dialog);
        page.Control<QCheckBox>(5017)->setChecked(true);
        dialog.GetOkButton()->click();
    });
    EXPECT_TRUE(settings.clearClipboardOnExit);
    EXPECT_FALSE(settings.autoLockWorkspace);
}

TEST_F(OptionsDialogTest, SpinnersStepWithinTheirRanges) {
    Run([&](CSettingsDialog& dialog) {
        auto& page = PageOf<CSecurityPage>(dialog);
        for (CSpinField* minutes : {page.GetLockMinutes(), page.GetClipboardMinutes()}) {
            EXPECT_EQ(minutes->Minimum(), 0);
            EXPECT_EQ(minutes->Maximum(), 60);
        }
        for (CSpinField* seconds : {page.GetLockSeconds(), page.GetClipboardSeconds()}) {
            EXPECT_EQ(seconds->Minimum(), 0);
            EXPECT_EQ(seconds->Maximum(), 59);
        }
        CSpinField* seconds = page.GetClipboardSeconds();
        seconds->SetText(QStringLiteral("58"));
        seconds->GetUpButton()->click();
        seconds->GetUpButton()->click();
        EXPECT_EQ(seconds->Text(), QStringLiteral("59"));
        CSpinField* minutes = page.GetClipboardMinutes();
        minutes->GetDownButton()->click();
        EXPECT_EQ(minutes->Text(), QStringLiteral("0"));
        // Letters do not go in; what is typed beyond the range reaches the check.
        minutes->GetEdit()->clear();
        QTest::keyClicks(minutes->GetEdit(), QStringLiteral("x9a9"));
        EXPECT_EQ(minutes->Text(), QStringLiteral("99"));
        QTest::keyClick(minutes->GetEdit(), Qt::Key_Up);
        EXPECT_EQ(minutes->Text(), QStringLiteral("60"));
        dialog.GetCancelButton()->click();
    });
}

// Each out-of-range value in each of the four fields refuses OK with its message and changes
// nothing.
TEST_F(OptionsDialogTest, OutOfRangeTimesRefuseOkWithTheirMessage) {
    const QString minutesMessage =
        QStringLiteral("Maximal zulässige Anzahl an Minuten ist 60. Minimal zulässige Anzahl sind 0 Minuten.");
    const QString secondsMessage =
        QStringLiteral("Maximal zulässige Anzahl an Sekunden ist 59. Minimal zulässige Anzahl sind 0 Sekunden.");
    struct Case {
        CSpinField* (CSecurityPage::*field)() const noexcept;
        const char* text;
        QString message;
    };
    const Case cases[] = {
        {&CSecurityPage::GetLockMinutes, "61", minutesMessage},
        {&CSecurityPage::GetClipboardMinutes, "61", minutesMessage},
        {&CSecurityPage::GetLockSeconds, "60", secondsMessage},
        {&CSecurityPage::GetClipboardSeconds, "60", secondsMessage},
    };
    for (const Case& test : cases) {
        settings = Settings();
        const Settings before = settings;
        const std::size_t seen = responder.Seen().size();
        const int result = Run([&](CSettingsDialog& dialog) {
            // Earlier pages change too: none of it may reach the record.
            PageOf<CGeneralPage>(dialog).Control<QCheckBox>(5013)->setChecked(false);
            PageOf<CMessagesPage>(dialog).Control<QCheckBox>(5018)->setChecked(false);
            auto& page = PageOf<CSecurityPage>(dialog);
            (page.*test.field)()->SetText(QString::fromLatin1(test.text));
            dialog.GetOkButton()->click();
            EXPECT_EQ(dialog.CurrentPage(), dialog.Pages()[0]) << "the page shown stays";
            EXPECT_EQ(dialog.result(), 0) << "the dialog stays open";
        });
        EXPECT_EQ(result, Options::IDCANCEL) << test.text;
        EXPECT_EQ(settings, before) << test.text;
        ASSERT_EQ(responder.Seen().size(), seen + 1);
        EXPECT_EQ(responder.Seen().back().text, test.message);
        EXPECT_EQ(responder.Seen().back().icon, QMessageBox::NoIcon);
    }
}

TEST_F(OptionsDialogTest, RoundTripThroughTheSettingsFile) {
    const std::filesystem::path file = OptionsLibrary::SettingsStorage::GetSettingsPath();
    EXPECT_EQ(file.filename(), "twsettings.xml");
    ASSERT_TRUE(OptionsLibrary::SettingsStorage::LoadOrCreate(file, settings));
    Settings expected = Changed();
    expected.startWithWindows = true;
    expected.workspaceLockSeconds = 61;
    expected.clipboardClearSeconds = 3659;
    const int result = Run([&](CSettingsDialog& dialog) {
        for (const CheckControl& control : kChecks) {
            Check(dialog, control)->setChecked(expected.*control.field);
        }
        PageOf<CAppearancePage>(dialog).Control<QComboBox>(5008)->setCurrentIndex(3);
        auto& list = PageOf<CPasswordListPage>(dialog);
        list.Control<QComboBox>(5012)->setCurrentIndex(3);
        list.Control<QRadioButton>(5010)->setChecked(true);
        auto& keys = PageOf<CAutoCompletionPage>(dialog);
        keys.GetModifier1()->setCurrentIndex(2); // Strg
        keys.GetModifier2()->setCurrentIndex(1); // Alt
        keys.GetKeyEdit()->setText(QStringLiteral("k"));
        auto& security = PageOf<CSecurityPage>(dialog);
        security.GetLockBox()->setChecked(true);
        security.GetLockMinutes()->SetText(QStringLiteral("1"));
        security.GetLockSeconds()->SetText(QStringLiteral("1"));
        security.GetClipboardBox()->setChecked(true);
        security.GetClipboardMinutes()->SetText(QStringLiteral("60"));
        security.GetClipboardSeconds()->SetText(QStringLiteral("59"));
        dialog.GetOkButton()->click();
    });
    ASSERT_EQ(result, Options::IDOK);
    EXPECT_EQ(settings, expected);
    OptionsLibrary::SettingsStorage::Save(file, settings);
    Settings loaded;
    OptionsLibrary::SettingsStorage::Load(file, loaded);
    EXPECT_EQ(loaded, expected);
    EXPECT_TRUE(std::filesystem::exists(Autostart()));
}

// Cancel and an OK that a page refused leave the settings file and the autostart entry as
// they were, byte for byte, although every page was changed.
TEST_F(OptionsDialogTest, CancelAndRefusedOkChangeNothing) {
    const std::filesystem::path file = OptionsLibrary::SettingsStorage::GetSettingsPath();
    settings.startWithWindows = true;
    OptionsLibrary::SettingsStorage::Save(file, settings);
    const std::string fileBefore = ReadBytes(file);
    WriteBytes(Autostart(), "[Desktop Entry]\nType=Application\nName=Mein Tarnwick\nExec=/opt/tw/tarnwick\n");
    const std::string entryBefore = ReadBytes(Autostart());

    for (const bool refuse : {false, true}) {
        Settings loaded;
        OptionsLibrary::SettingsStorage::Load(file, loaded);
        settings = loaded;
        const int result = Run([&](CSettingsDialog& dialog) {
            for (const CheckControl& control : kChecks) {
                Check(dialog, control)->setChecked(!Check(dialog, control)->isChecked());
            }
            PageOf<CAppearancePage>(dialog).Control<QComboBox>(5008)->setCurrentIndex(2);
            PageOf<CPasswordListPage>(dialog).Control<QComboBox>(5012)->setCurrentIndex(0);
            PageOf<CAutoCompletionPage>(dialog).GetKeyEdit()->setText(QStringLiteral("q"));
            auto& security = PageOf<CSecurityPage>(dialog);
            security.GetLockBox()->setChecked(true);
            security.GetLockMinutes()->SetText(QStringLiteral("3"));
            if (refuse) {
                security.GetClipboardSeconds()->SetText(QStringLiteral("75"));
                dialog.GetOkButton()->click();
                EXPECT_EQ(dialog.result(), 0);
            }
            dialog.GetCancelButton()->click();
        });
        EXPECT_EQ(result, Options::IDCANCEL);
        EXPECT_EQ(settings, loaded) << refuse;
        OptionsLibrary::SettingsStorage::Save(file, settings);
        EXPECT_EQ(ReadBytes(file), fileBefore) << refuse;
        EXPECT_EQ(ReadBytes(Autostart()), entryBefore) << refuse;
    }
    EXPECT_TRUE(grabber.grabbed.empty()) << "the trial of the new hot key left no grab behind";
}

TEST_F(OptionsDialogTest, AutostartEntryFollowsTheSwitch) {
    const auto toggle = [&](bool on) {
        return Run([&](CSettingsDialog& dialog) {
            PageOf<CGeneralPage>(dialog).Control<QCheckBox>(5004)->setChecked(on);
            dialog.GetOkButton()->click();
        });
    };
    ASSERT_EQ(toggle(true), Options::IDOK);
    EXPECT_TRUE(settings.startWithWindows);
    ASSERT_TRUE(std::filesystem::exists(Autostart()));
    const std::string text = ReadBytes(Autostart());
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("Name=Tarnwick\n"), std::string::npos);
    EXPECT_NE(text.find("Exec=\""), std::string::npos);
    EXPECT_NE(text.find("/tarnwick\"\n"), std::string::npos);
    struct stat info {};
    ASSERT_EQ(::stat(Autostart().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // An entry that is already there stays as it is.
    WriteBytes(Autostart(), "[Desktop Entry]\nExec=/anders\n");
    ASSERT_EQ(toggle(true), Options::IDOK);
    EXPECT_EQ(ReadBytes(Autostart()), "[Desktop Entry]\nExec=/anders\n");

    ASSERT_EQ(toggle(false), Options::IDOK);
    EXPECT_FALSE(settings.startWithWindows);
    EXPECT_FALSE(std::filesystem::exists(Autostart()));
    // Nothing else was left in the folder (no temporary file).
    EXPECT_TRUE(std::filesystem::is_empty(Autostart().parent_path()));
}

TEST_F(OptionsDialogTest, ProgramPathIsQuotedInTheEntry) {
    const std::string text =
        Tarnwick::OptionsLibrary::AutostartEntry::Text("/opt/mein \"tw\"/100%$x\\/tarnwick");
    EXPECT_NE(text.find("Exec=\"/opt/mein \\\\\"tw\\\\\"/100%%\\\\$x\\\\\\\\/tarnwick\"\n"), std::string::npos) << text;
}

TEST_F(OptionsDialogTest, FailedAutostartEntryKeepsTheDialogOpenAndTheRecord) {
    // The autostart "folder" is a file: the entry cannot be written.
    WriteBytes(xdg.Config() / "autostart", "kein Ordner");
    const Settings before = settings;
    const int result = Run([&](CSettingsDialog& dialog) {
        PageOf<CGeneralPage>(dialog).Control<QCheckBox>(5004)->setChecked(true);
        PageOf<CMessagesPage>(dialog).Control<QCheckBox>(5019)->setChecked(false);
        dialog.GetOkButton()->click();
        EXPECT_EQ(dialog.result(), 0);
        dialog.GetCancelButton()->click();
    });
    EXPECT_EQ(result, Options::IDCANCEL);
    EXPECT_EQ(settings, before);
    EXPECT_EQ(LastMessage(), Tarnwick::UiText::Q(Tarnwick::OptionsLibrary::kAutostartCreateError));
    EXPECT_EQ(responder.Seen().back().icon, QMessageBox::Critical);
    EXPECT_EQ(ReadBytes(xdg.Config() / "autostart"), "kein Ordner");
}

TEST_F(OptionsDialogTest, EscapeAndTheCloseButtonCancel) {
    const Settings before = settings;
    const int result = Run([&](CSettingsDialog& dialog) {
        PageOf<CMessagesPage>(dialog).Control<QCheckBox>(5018)->setChecked(false);
        dialog.reject();
    });
    EXPECT_EQ(result, Options::IDCANCEL);
    EXPECT_EQ(settings, before);
}

} // namespace
} // namespace OptionsUiTest
