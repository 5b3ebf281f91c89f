// Printing: the document built for the chosen entries, the print dialog's commands, and a
// printed PDF file read back as text.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QCheckBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

#include "AppTestSupport.h"
#include "MainFrameTestSupport.h"
#include "app/dialogs/PasswordPrintDialog.h"
#include "app/dialogs/PrintDocument.h"
#include "app/mainframe/CommandIds.h"
#include "app/views/PasswordDataTreeCtrl.h"
#include "support/DatabaseFixture.h"

namespace MainFrameTest {
namespace {

using namespace Tarnwick::Commands;
using Tarnwick::CPasswordPrintDialog;
using Tarnwick::PasswordADT::PasswordData;
using Tarnwick::PasswordADT::PasswordItem;
using Tarnwick::Printing::PrintOptions;
using Position = Tarnwick::Views::EntryPosition;

std::u16string Document(const PasswordData& data, const std::vector<Position>& checked, const PrintOptions& options) {
    const auto html = Tarnwick::Printing::BuildDocument(data, checked, options, 1300000000);
    return std::u16string(html.data(), html.size());
}

std::size_t Count(std::u16string_view text, std::u16string_view part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::u16string_view::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

std::shared_ptr<PasswordItem> Entry(std::u16string_view description, std::u16string_view user,
                                    std::u16string_view password, std::u16string_view email = u"") {
    auto item = std::make_shared<PasswordItem>();
    item->SetDescription(description);
    item->SetUserName(user);
    item->SetEmail(email);
    item->SetPassword(1300000000, StringServiceProvider::SecureString(password));
    return item;
}

// "Bänke <b> & Co" (0) with "Privat & \"Geheim\"" (1) below it, and "Leer" (2).
PasswordData PrintVault() {
    PasswordData data;
    auto banks = data.AddFolder(u"Bänke <b> & Co");
    auto secret = data.AddSubfolder(banks->GetId(), u"Privat & \"Geheim\"");
    auto empty = data.AddFolder(u"Leer");
    auto first = Entry(u"Konto <b>Haupt</b>", u"anna & bert", u"p<ss>&'wört", u"");
    first->SetComment(u"Zeile 1\r\nZeile 2");
    first->SetUrl(u"https://bank.example/?a=1&b=2");
    first->GetUserDefinedFields().Add(u"PIN <4>", u"12&34");
    banks->Entries().push_back(first);
    banks->Entries().push_back(Entry(u"Zweitkonto", u"zweit", u"geheim2", u"z@example.org"));
    secret->Entries().push_back(Entry(u"Tagebuch 😀", u"ich", u"\"liebes\""));
    empty->Entries().push_back(Entry(u"Nicht gewählt", u"niemand", u"nie"));
    return data;
}

TEST(PrintEscaping, EveryCharacterOutsideThePrintableRangeBecomesItsNumber) {
    using Tarnwick::Printing::Escape;
    EXPECT_EQ(Escape(u"a\"b'c&d<e>f"), u"a&quot;b&apos;c&amp;d&lt;e&gt;f");
    EXPECT_EQ(Escape(u"Bänke ü"), u"B&#x00E4;nke &#x00FC;");
    EXPECT_EQ(Escape(u"\t\r\n"), u"&#x0009;&#x000D;&#x000A;");
    EXPECT_EQ(Escape(u"~\u007F€"), u"~&#x007F;&#x20AC;");
    EXPECT_EQ(Escape(u"😀"), u"&#x01F600;");
    EXPECT_EQ(Escape(u"\U0010FFFF"), u"&#x10FFFF;");
    // A lone half of a pair is a code unit of its own.
    EXPECT_EQ(Escape(std::u16string(1, u'\xD83D') + u"x"), u"&#xD83D;x");
    EXPECT_EQ(Escape(u" !~"), u" !~");
    EXPECT_EQ(Escape(u""), u"");
}

TEST(PrintDocumentTest, FoldersWithCheckedEntriesBecomeTablesWithEscapedCaptions) {
    const PasswordData data = PrintVault();
    const std::u16string html = Document(data, {{0, 0}, {0, 1}, {1, 0}}, PrintOptions{});
    EXPECT_TRUE(html.starts_with(u"<html dir=\"ltr\"><head>"));
    EXPECT_NE(html.find(u"text/html; charset=utf-8"), std::u16string::npos);
    EXPECT_NE(html.find(u"<title>Tarnwick - Passwortdatenbank</title>"), std::u16string::npos);
    EXPECT_EQ(Count(html, u"<table>"), 2u);
    EXPECT_NE(html.find(u"<caption class=\"caption\">Ordner: B&#x00E4;nke &lt;b&gt; &amp; Co</caption>"),
              std::u16string::npos);
    // The folder path is escaped like every value.
    EXPECT_NE(html.find(u"<caption class=\"caption\">Ordner: B&#x00E4;nke &lt;b&gt; &amp; Co\\Privat &amp; "
                        u"&quot;Geheim&quot;</caption>"),
              std::u16string::npos);
    EXPECT_EQ(html.find(u"Leer"), std::u16string::npos);
    EXPECT_EQ(html.find(u"<b>"), std::u16string::npos);
    // One separator between the two entries of the first folder.
    EXPECT_EQ(Count(html, u"<tr><td class=\"separator\"></td><td></td></tr>"), 1u);
    EXPECT_NE(html.find(u"<tr><td class=\"fc\">Beschreibung:</td><td>Konto &lt;b&gt;Haupt&lt;/b&gt;</td></tr>"),
              std::u16string::npos);
    EXPECT_NE(html.find(u"<tr><td class=\"fc\">Benutzername:</td><td>anna &amp; bert</td></tr>"), std::u16string::npos);
    EXPECT_NE(html.find(u"<tr><td class=\"fc\">E-Mail:</td><td></td></tr>"), std::u16string::npos);
    EXPECT_NE(html.find(u"<tr><td class=\"fc\">Beschreibung:</td><td>Tagebuch &#x01F600;</td></tr>"), std::u16string::npos);
    // Without "Passwörter drucken" every password is eight black circles.
    EXPECT_EQ(Count(html, u"<tr><td class=\"fc\">Passwort:</td><td>&#x25CF;&#x25CF;&#x25CF;&#x25CF;&#x25CF;&#x25CF;&#x25CF;"
                          u"&#x25CF;</td></tr>"),
              3u);
    EXPECT_EQ(html.find(u"p&lt;ss"), std::u16string::npos);
    EXPECT_EQ(html.find(u"Kommentar:"), std::u16string::npos);
    EXPECT_NE(html.find(u"<p class=\"footer\">Druckansicht erstellt von Tarnwick am "), std::u16string::npos);
    EXPECT_NE(html.find(u" Uhr.</p>"), std::u16string::npos);
    EXPECT_TRUE(html.ends_with(u"</body></html>"));
    for (char16_t c : html) {
        EXPECT_TRUE(c == u'\n' || (c >= 32 && c <= 126)) << static_cast<int>(c);
    }
}

TEST(PrintDocumentTest, OptionsDecideCaptionsPasswordsAndTheOtherFields) {
    const PasswordData data = PrintVault();
    PrintOptions options;
    options.folderNames = false;
    options.passwords = true;
    options.allData = true;
    const std::u16string html = Document(data, {{0, 0}}, options);
    EXPECT_EQ(html.find(u"<caption"), std::u16string::npos);
    EXPECT_NE(html.find(u"<tr><td class=\"fc\">Passwort:</td><td>p&lt;ss&gt;&amp;&apos;w&#x00F6;rt</td></tr>"),
              std::u16string::npos);
    EXPECT_NE(html.find(u"<tr><td class=\"fc\">Kommentar:</td><td>Zeile 1&#x000D;&#x000A;Zeile 2</td></tr>"),
              std::u16string::npos);
    EXPECT_NE(html.find(u"<tr><td class=\"fc\">Url/Programm:</td><td>https://bank.example/?a=1&amp;b=2</td></tr>"),
              std::u16string::npos);
    EXPECT_NE(html.find(u"<tr><td class=\"fc\">PIN &lt;4&gt;:</td><td>12&amp;34</td></tr>"), std::u16string::npos);
    for (const char16_t* label : {u"Erstellt am:", u"Letzte Änderung:", u"Letzte Passwortänderung:"}) {
        EXPECT_NE(html.find(std::u16string(u"<tr><td class=\"fc\">") + label + u"</td><td>"), std::u16string::npos) << QString::fromUtf16(label).toStdString();
    }
    EXPECT_NE(html.find(Tarnwick::Printing::FormatPrintTime(1300000000)), std::u16string::npos);
    EXPECT_TRUE(Document(data, {}, options).empty());
}

TEST(PrintDocumentTest, TheDateIsWrittenTheGermanWay) {
    const std::u16string text = Tarnwick::Printing::FormatPrintTime(1300000000);
    ASSERT_EQ(text.size(), 23u);
    EXPECT_EQ(text.substr(2, 1), u".");
    EXPECT_EQ(text.substr(5, 1), u".");
    EXPECT_EQ(text.substr(10, 4), u" um ");
    EXPECT_TRUE(text.ends_with(u" Uhr"));
}

class PrintFixture : public MainFrameFixture {
protected:
    void TearDown() override {
        CPasswordPrintDialog::SetPdfChooser({});
        MainFrameFixture::TearDown();
    }

    static QTreeWidgetItem* Item(CPasswordPrintDialog& dialog, const QString& text) {
        const auto found = dialog.GetTree()->findItems(text, Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.front();
    }

    static QString PdfText(const std::filesystem::path& pdf) {
        QProcess process;
        process.start(QStringLiteral("pdftotext"),
                      {QStringLiteral("-enc"), QStringLiteral("UTF-8"), QString::fromStdString(pdf.string()), QStringLiteral("-")});
        if (!process.waitForFinished(60000) || process.exitCode() != 0) {
            return QString();
        }
        return QString::fromUtf8(process.readAllStandardOutput());
    }
};

TEST_F(PrintFixture, AFolderPrintedToPdfReadsBackAsText) {
    Open(PrintVault());
    const std::filesystem::path pdf = dir.Path() / "Druck.pdf";
    CPasswordPrintDialog::SetPdfChooser([&](QWidget*) { return QString::fromStdString(pdf.string()); });
    int result = 0;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto& dialog = dynamic_cast<CPasswordPrintDialog&>(shown);
        EXPECT_FALSE(dialog.IsPreview());
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Drucken von Passwortinformationen"));
        EXPECT_TRUE(dialog.GetFolderNamesBox()->isChecked());
        EXPECT_FALSE(dialog.GetPasswordsBox()->isChecked());
        dialog.GetTree()->SetCheck(Item(dialog, QStringLiteral("Bänke <b> & Co")), true);
        dialog.GetPasswordsBox()->setChecked(true);
        dialog.GetAllDataBox()->setChecked(true);
        dialog.GetPdfButton()->click();
        result = dialog.result();
    });
    frame->ExecuteCommand(ID_PRINT);
    EXPECT_EQ(result, QDialog::Accepted);
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_GT(std::filesystem::file_size(pdf), 0u);
    struct stat info {};
    ASSERT_EQ(::stat(pdf.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_TRUE(responder->Seen().empty());

    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        GTEST_SKIP() << "pdftotext (Debian package poppler-utils) is not installed";
    }
    const QString text = PdfText(pdf);
    ASSERT_FALSE(text.isEmpty());
    for (const QString& part : {QStringLiteral("Ordner: Bänke <b> & Co"), QStringLiteral("Privat & \"Geheim\""),
                                QStringLiteral("Konto <b>Haupt</b>"), QStringLiteral("anna & bert"),
                                QStringLiteral("p<ss>&'wört"), QStringLiteral("\"liebes\""), QStringLiteral("PIN <4>:"),
                                QStringLiteral("12&34"), QStringLiteral("https://bank.example/?a=1&b=2"),
                                QStringLiteral("Druckansicht erstellt von Tarnwick am")}) {
        EXPECT_TRUE(text.contains(part)) << part.toStdString() << "\n" << text.toStdString();
    }
    EXPECT_FALSE(text.contains(QStringLiteral("Nicht gewählt")));
}

TEST_F(PrintFixture, WithoutPasswordsThePdfShowsTheCircles) {
    Open(PrintVault());
    const std::filesystem::path pdf = dir.Path() / "Maske.pdf";
    CPasswordPrintDialog::SetPdfChooser([&](QWidget*) { return QString::fromStdString(pdf.string()); });
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto& dialog = dynamic_cast<CPasswordPrintDialog&>(shown);
        dialog.GetTree()->SetCheck(Item(dialog, QStringLiteral("Zweitkonto")), true);
        dialog.GetFolderNamesBox()->setChecked(false);
        dialog.GetPdfButton()->click();
    });
    frame->ExecuteCommand(ID_PRINT);
    ASSERT_TRUE(std::filesystem::exists(pdf));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        GTEST_SKIP() << "pdftotext (Debian package poppler-utils) is not installed";
    }
    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("●●●●●●●●")));
    EXPECT_FALSE(text.contains(QStringLiteral("geheim2")));
    EXPECT_FALSE(text.contains(QStringLiteral("Ordner:")));
    EXPECT_TRUE(text.contains(QStringLiteral("z@example.org")));
}

TEST_F(PrintFixture, APdfFileThatCannotBeWrittenIsReported) {
    Open(PrintVault());
    // A folder in the path that is a plain file: nothing can be written there.
    TestSupport::WriteBytes(dir.Path() / "Datei", {1});
    const std::filesystem::path pdf = dir.Path() / "Datei" / "Druck.pdf";
    CPasswordPrintDialog::SetPdfChooser([&](QWidget*) { return QString::fromStdString(pdf.string()); });
    int result = 0;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto& dialog = dynamic_cast<CPasswordPrintDialog&>(shown);
        dialog.GetTree()->SetCheck(Item(dialog, QStringLiteral("Zweitkonto")), true);
        dialog.GetPdfButton()->click();
        result = dialog.result();
        dialog.reject();
    });
    frame->ExecuteCommand(ID_PRINT);
    EXPECT_NE(result, QDialog::Accepted);
    EXPECT_EQ(ShownTexts(), QStringList{QStringLiteral("Die Datei \"%1\" konnte nicht geschrieben werden.")
                                            .arg(QString::fromStdString(pdf.string()))});
}

TEST_F(PrintFixture, ThePrintDialogPrintsIntoTheChosenPrinter) {
    Open(PrintVault());
    const std::filesystem::path pdf = dir.Path() / "Drucker.pdf";
    int result = 0;
    bool printDialog = false;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        if (auto* print = qobject_cast<QPrintDialog*>(&shown)) {
            printDialog = true;
            print->printer()->setOutputFormat(QPrinter::PdfFormat);
            print->printer()->setOutputFileName(QString::fromStdString(pdf.string()));
            print->done(QDialog::Accepted);
            return;
        }
        auto& dialog = dynamic_cast<CPasswordPrintDialog&>(shown);
        dialog.GetTree()->SetCheck(dialog.GetTree()->RootItem(), true);
        dialog.GetPrintButton()->click();
        result = dialog.result();
    });
    frame->ExecuteCommand(ID_PRINT);
    EXPECT_TRUE(printDialog);
    EXPECT_EQ(result, QDialog::Accepted);
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_GT(std::filesystem::file_size(pdf), 0u);
}

TEST_F(PrintFixture, NothingCheckedIsSaidByEveryCommand) {
    Open(PrintVault());
    bool other = false;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto* dialog = qobject_cast<CPasswordPrintDialog*>(&shown);
        if (dialog == nullptr) {
            other = true;
            return;
        }
        for (QPushButton* button : {dialog->GetPrintButton(), dialog->GetPageSetupButton(), dialog->GetPreviewButton(),
                                    dialog->GetPdfButton()}) {
            button->click();
        }
        dialog->reject();
    });
    frame->ExecuteCommand(ID_PRINT);
    EXPECT_FALSE(other);
    EXPECT_EQ(ShownTexts(), QStringList(4, QStringLiteral("Bitte wählen Sie die zu druckenden Passwortinformationen aus.")));
}

TEST_F(PrintFixture, ThePreviewOffersOnlyItselfAndCancel) {
    Open(PrintVault());
    QString previewTitle;
    bool previewShown = false;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        if (qobject_cast<QPrintPreviewDialog*>(&shown) != nullptr) {
            previewShown = true;
            shown.reject();
            return;
        }
        auto& dialog = dynamic_cast<CPasswordPrintDialog&>(shown);
        previewTitle = dialog.windowTitle();
        EXPECT_TRUE(dialog.IsPreview());
        EXPECT_FALSE(dialog.GetPrintButton()->isEnabled());
        EXPECT_FALSE(dialog.GetPageSetupButton()->isEnabled());
        EXPECT_FALSE(dialog.GetPdfButton()->isEnabled());
        EXPECT_TRUE(dialog.GetPreviewButton()->isEnabled());
        EXPECT_TRUE(dialog.GetCancelButton()->isEnabled());
        EXPECT_EQ(dialog.GetTree()->RootItem()->text(0), QStringLiteral("Passwortdatenbank: Konten.twdb"));
        dialog.GetTree()->SetCheck(Item(dialog, QStringLiteral("Zweitkonto")), true);
        dialog.GetPreviewButton()->click();
        // The preview leaves the dialog open.
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        dialog.reject();
    });
    frame->ExecuteCommand(ID_PRINT_PREVIEW);
    EXPECT_TRUE(previewShown);
    EXPECT_EQ(previewTitle, QStringLiteral("Druckvorschau für Passwortinformationen"));
}

TEST_F(PrintFixture, AnEmptyDatabaseIsNotPrinted) {
    PasswordData data;
    data.AddFolder(u"Allgemein");
    Open(data);
    bool opened = false;
    AppTest::DialogDriverScope driver([&](QDialog&) { opened = true; });
    ASSERT_TRUE(frame->IsCommandEnabled(ID_PRINT));
    frame->ExecuteCommand(ID_PRINT);
    frame->ExecuteCommand(ID_PRINT_PREVIEW);
    EXPECT_FALSE(opened);
    EXPECT_EQ(ShownTexts(), QStringList(2, QStringLiteral("Es sind keine Passwortinformationen zum Drucken vorhanden")));
    frame->ToggleLock();
    EXPECT_FALSE(frame->IsCommandEnabled(ID_PRINT));
    EXPECT_FALSE(frame->IsCommandEnabled(ID_PRINT_PREVIEW));
}

} // namespace
} // namespace MainFrameTest
