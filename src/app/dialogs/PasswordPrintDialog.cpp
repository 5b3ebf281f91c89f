#include "app/dialogs/PasswordPrintDialog.h"

#include <system_error>
#include <utility>

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

#include "app/CommandBoundary.h"
#include "app/ModalDialog.h"
#include "app/dialogs/DialogSupport.h"
#include "app/login/DialogHeader.h"
#include "app/views/PasswordDataTreeCtrl.h"
#include "base/text/Format.h"
#include "uilib/QtTextWipe.h"
#include "model/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Files.h"
#include "uiext/QtText.h"
#include "uilib/DialogLayout.h"
#include "uilib/MessageBox.h"

namespace Tarnwick {

using Dialogs::Q;
using WindowsServiceProvider::CMessageBox;

namespace {

CPasswordPrintDialog::PdfChooser& ChooserSlot() {
    static CPasswordPrintDialog::PdfChooser chooser;
    return chooser;
}

QString ChoosePdf(QWidget* parent) {
    if (const auto& chooser = ChooserSlot()) {
        return chooser(parent);
    }
    return QFileDialog::getSaveFileName(parent, Q(u"Als PDF speichern"),
                                        QDir::home().filePath(QStringLiteral("Passwortinformationen.pdf")),
                                        Q(u"PDF-Dokument (*.pdf)"));
}

// A file only its owner can read, empty, before anything of the document goes into it.
bool PreparePrivateFile(const std::filesystem::path& file) {
    if (!Platform::WriteWholeFile(file, {}, 0600).Ok()) {
        return false;
    }
    std::error_code error;
    std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::replace, error);
    return !error;
}

} // namespace

CPasswordPrintDialog::CPasswordPrintDialog(bool preview, const std::filesystem::path& database,
                                           const PasswordADT::PasswordData& data, const Views::FolderSortOrder& order,
                                           QWidget* parent)
    : QDialog(parent), m_preview(preview), m_database(database), m_data(data), m_order(order),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    setObjectName(QStringLiteral("PasswordPrintDialog"));
    const QString title =
        preview ? Q(u"Druckvorschau für Passwortinformationen") : Q(u"Drucken von Passwortinformationen");
    Dialogs::PrepareDialog(*this, title);
    m_printer->setDocName(Q(u"Tarnwick - Passwortdatenbank"));
    m_header = new DialogHeader(title, Q(u"Wählen Sie die Passwortinformationen aus, die gedruckt werden sollen"), this);
    m_tree = new TreeProvider::PasswordDataTreeCtrl(this);
    m_tree->setMinimumSize(360, 300);
    m_folderNames = new QCheckBox(Q(u"&Ordnernamen drucken"), this);
    m_folderNames->setObjectName(QStringLiteral("folderNames"));
    m_folderNames->setChecked(true);
    m_passwords = new QCheckBox(Q(u"&Passwörter drucken"), this);
    m_passwords->setObjectName(QStringLiteral("passwords"));
    m_allData = new QCheckBox(Q(u"&Alle Daten drucken (Kommentar, benutzerdefinierte Felder, etc.)"), this);
    m_allData->setObjectName(QStringLiteral("allData"));

    m_print = Dialogs::MakeButton(Q(u"&Drucken"), "print", this);
    m_pageSetup = Dialogs::MakeButton(Q(u"&Seite einrichten"), "pageSetup", this);
    m_previewButton = Dialogs::MakeButton(Q(u"Druck&vorschau"), "preview", this);
    m_pdf = Dialogs::MakeButton(Q(u"Als P&DF speichern..."), "pdf", this);
    m_cancel = Dialogs::MakeButton(Q(u"&Abbrechen"), "cancel", this);
    (preview ? m_previewButton : m_print)->setDefault(true);
    // The preview offers only itself and cancelling.
    m_print->setEnabled(!preview);
    m_pageSetup->setEnabled(!preview);
    m_pdf->setEnabled(!preview);

    QVBoxLayout* body = UiLibrary::LayOutBelowHeader(*this, m_header, 1);
    body->addWidget(m_tree, 1);
    body->addWidget(m_folderNames);
    body->addWidget(m_passwords);
    body->addWidget(m_allData);
    UiLibrary::AddButtonRow(*body, {m_pageSetup, m_pdf, nullptr, m_previewButton, m_print, m_cancel});

    connect(m_print, &QPushButton::clicked, this, &CPasswordPrintDialog::OnPrint);
    connect(m_pageSetup, &QPushButton::clicked, this, &CPasswordPrintDialog::OnPageSetup);
    connect(m_previewButton, &QPushButton::clicked, this, &CPasswordPrintDialog::OnPreview);
    connect(m_pdf, &QPushButton::clicked, this, &CPasswordPrintDialog::OnSavePdf);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

CPasswordPrintDialog::~CPasswordPrintDialog() = default;

CPasswordPrintDialog::PdfChooser CPasswordPrintDialog::SetPdfChooser(PdfChooser chooser) {
    return std::exchange(ChooserSlot(), std::move(chooser));
}

bool CPasswordPrintDialog::Fill() {
    const bool filled = App::RunCommand(nullptr, {}, [this] {
        m_tree->AddPasswordData(m_database, m_data, m_order);
        if (QTreeWidgetItem* root = m_tree->RootItem()) {
            root->setExpanded(true);
        }
    });
    if (!filled) {
        CMessageBox::ShowError(this, u"Es ist ein Fehler beim Auflisten der Passwortinformationen aufgetreten.");
    }
    return filled;
}

int CPasswordPrintDialog::DoModal() {
    if (!Fill()) {
        return QDialog::Rejected;
    }
    return App::RunModal(*this);
}

Printing::PrintOptions CPasswordPrintDialog::Options() const {
    Printing::PrintOptions options;
    options.folderNames = m_folderNames->isChecked();
    options.passwords = m_passwords->isChecked();
    options.allData = m_allData->isChecked();
    return options;
}

Printing::HtmlBuffer CPasswordPrintDialog::BuildDocument() {
    const std::vector<Views::EntryPosition> checked = m_tree->GetCheckedItems();
    if (checked.empty()) {
        CMessageBox::ShowInformation(this, kNothingChosen);
        return {};
    }
    Printing::HtmlBuffer document;
    if (!App::RunCommand(this, kPreparationFailed, [&] {
            document = Printing::BuildDocument(m_data, checked, Options(), PasswordADT::CurrentTime());
        })) {
        return {};
    }
    return document;
}

bool CPasswordPrintDialog::Render(const Printing::HtmlBuffer& document, QPrinter& printer, bool preview) {
    const bool toFile =
        !preview && printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
    const std::filesystem::path file = Dialogs::PathOf(printer.outputFileName());
    const auto failedFile = [&] {
        CMessageBox::ShowError(this, Text::Format(u"Die Datei \"%s\" konnte nicht geschrieben werden.",
                                                  UiText::View(printer.outputFileName()))
                                         .View());
        return false;
    };
    if (toFile && !PreparePrivateFile(file)) {
        return failedFile();
    }
    QString html = QString::fromUtf16(document.data(), static_cast<qsizetype>(document.size()));
    {
        QTextDocument text;
        text.setHtml(html);
        MFCServiceProvider::WipeQString(html);
        text.print(&printer);
        text.clear();
    }
    if (toFile) {
        // The printer says nothing about a write that failed: the file itself tells.
        Platform::FileStatus status;
        if (Platform::FileSystem().Status(file, status) != 0 || !status.regular || status.size == 0) {
            return failedFile();
        }
    }
    return true;
}

void CPasswordPrintDialog::OnPrint() {
    const Printing::HtmlBuffer document = BuildDocument();
    if (document.empty()) {
        return;
    }
    QPrintDialog dialog(m_printer.get(), this);
    dialog.setWindowTitle(Q(u"Drucken"));
    if (App::RunModal(dialog) != QDialog::Accepted) {
        return;
    }
    if (Render(document, *m_printer)) {
        accept();
    }
}

void CPasswordPrintDialog::OnPageSetup() {
    if (BuildDocument().empty()) {
        return;
    }
    QPageSetupDialog dialog(m_printer.get(), this);
    App::RunModal(dialog);
}

void CPasswordPrintDialog::OnPreview() {
    const Printing::HtmlBuffer document = BuildDocument();
    if (document.empty()) {
        return;
    }
    QPrintPreviewDialog preview(m_printer.get(), this);
    preview.setWindowTitle(Q(u"Druckvorschau"));
    preview.resize(900, 700);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this, &document](QPrinter* printer) { Render(document, *printer, true); });
    App::RunModal(preview);
}

void CPasswordPrintDialog::OnSavePdf() {
    const Printing::HtmlBuffer document = BuildDocument();
    if (document.empty()) {
        return;
    }
    const QString file = ChoosePdf(this);
    if (file.isEmpty()) {
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(m_printer->pageLayout());
    printer.setDocName(m_printer->docName());
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    if (Render(document, printer)) {
        accept();
    }
}

} // namespace Tarnwick
