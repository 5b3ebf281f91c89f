#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include <QDialog>
#include <QString>

#include "app/dialogs/PrintDocument.h"
#include "app/views/FolderComparator.h"
#include "model/PasswordData.h"

class QCheckBox;
class QPrinter;
class QPushButton;

namespace Tarnwick::TreeProvider {
class PasswordDataTreeCtrl;
}

namespace Tarnwick {

class DialogHeader;

// Printing and print preview of chosen entries: the checked tree, three options and the
// commands. Every command builds the document anew from the current choice, so what is
// printed always follows the tree and the options.
class CPasswordPrintDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr std::u16string_view kNothingChosen = u"Bitte wählen Sie die zu druckenden Passwortinformationen aus.";
    static constexpr std::u16string_view kPreparationFailed =
        u"Es ist ein Fehler beim Vorbereiten der Daten für den Druck aufgetreten.";

    // The file for "Als PDF speichern..."; an empty text when the user cancelled.
    using PdfChooser = std::function<QString(QWidget* parent)>;

    CPasswordPrintDialog(bool preview, const std::filesystem::path& database, const PasswordADT::PasswordData& data,
                         const Views::FolderSortOrder& order, QWidget* parent = nullptr);
    ~CPasswordPrintDialog() override;

    // Fills the tree first; a tree that cannot be filled is reported and ends with Rejected.
    int DoModal();
    bool Fill();

    // 339 print (then the dialog ends with Accepted), 340 page set-up, 341 preview.
    void OnPrint();
    void OnPageSetup();
    void OnPreview();
    // Prints into a PDF file of the user's choice (then the dialog ends with Accepted).
    void OnSavePdf();

    // The document for the current choice; empty (after telling the user) when nothing is checked.
    Printing::HtmlBuffer BuildDocument();
    // Renders the document onto the printer (or the preview, which writes no file). For a
    // PDF file the file is made private first and checked afterwards, since the printer does
    // not report a failed write. False after the failure was shown.
    bool Render(const Printing::HtmlBuffer& document, QPrinter& printer, bool preview = false);

    QPrinter& Printer() noexcept { return *m_printer; }
    bool IsPreview() const noexcept { return m_preview; }
    DialogHeader* GetHeader() const { return m_header; }
    TreeProvider::PasswordDataTreeCtrl* GetTree() const { return m_tree; }
    QCheckBox* GetFolderNamesBox() const { return m_folderNames; }
    QCheckBox* GetPasswordsBox() const { return m_passwords; }
    QCheckBox* GetAllDataBox() const { return m_allData; }
    QPushButton* GetPrintButton() const { return m_print; }
    QPushButton* GetPageSetupButton() const { return m_pageSetup; }
    QPushButton* GetPreviewButton() const { return m_previewButton; }
    QPushButton* GetPdfButton() const { return m_pdf; }
    QPushButton* GetCancelButton() const { return m_cancel; }

    // Replaces the file dialog of "Als PDF speichern..." (tests, scripts); returns the previous one.
    static PdfChooser SetPdfChooser(PdfChooser chooser);

private:
    Printing::PrintOptions Options() const;

    bool m_preview;
    std::filesystem::path m_database;
    const PasswordADT::PasswordData& m_data;
    Views::FolderSortOrder m_order;
    std::unique_ptr<QPrinter> m_printer;

    DialogHeader* m_header = nullptr;
    TreeProvider::PasswordDataTreeCtrl* m_tree = nullptr;
    QCheckBox* m_folderNames = nullptr;
    QCheckBox* m_passwords = nullptr;
    QCheckBox* m_allData = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_pageSetup = nullptr;
    QPushButton* m_previewButton = nullptr;
    QPushButton* m_pdf = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace Tarnwick
