// The entry sheet itself: its pages, buttons, size and focus, and the hooks for tests.
#include "editor/PasswordSheet.h"

#include <algorithm>
#include <memory>
#include <utility>

#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "base/text/Format.h"
#include "editor/EditorText.h"
#include "generator/ui/PasswordGeneratorDlg.h"
#include "platform/x11/WindowList.h"
#include "uilib/MessageBox.h"

namespace Tarnwick {
namespace {

using Editor::Q;
using StringServiceProvider::SecureString;
using WindowsServiceProvider::CMessageBox;

Platform::IWindowList* g_windowList = nullptr;
CPasswordSheet::FileChooser g_fileChooser;
CPasswordSheet::GeneratorRunner g_generatorRunner;
CPasswordSheet::FolderOpener g_folderOpener;

// The X11 list, only while Qt itself talks to an X server.
Platform::IWindowList* DefaultWindowList() {
    static std::unique_ptr<Platform::IWindowList> x11;
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    if (!x11) {
        x11 = Platform::CreateX11WindowList();
    }
    return x11.get();
}

} // namespace

CPasswordSheet::CPasswordSheet(IEntryStore& store, std::size_t folder, std::optional<std::size_t> entry,
                               AutoCompletion::AutoCompletionIndex& index, QWidget* parent)
    : QDialog(parent), m_store(store), m_folder(folder), m_index(index), m_editing(entry.has_value()) {
    const PasswordADT::PasswordData& data = m_store.Data();
    if (m_editing && folder < data.FolderCount() && data.Folders()[folder] &&
        *entry < data.Folders()[folder]->Entries().size()) {
        m_original = data.Folders()[folder]->Entries()[*entry];
        if (m_original) {
            m_working = *m_original;
        }
    }
    if (m_editing) {
        const std::u16string_view description = m_working.GetDescription().View();
        setWindowTitle(Q(Text::Format(u"%s - Passwort bearbeiten",
                                      description.empty() ? std::u16string_view(u"Unbenannt") : description)
                             .View()));
    } else {
        setWindowTitle(QStringLiteral("Neues Passwort erstellen"));
    }
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    // Captions are never shortened; the sheet is made wide enough for all of them.
    m_tabs->tabBar()->setElideMode(Qt::ElideNone);
    layout->addWidget(m_tabs);
    m_general = new CPasswordGeneralPage(m_working, m_tabs);
    m_commentPage = new CPasswordCommentPage(m_working, m_tabs);
    m_validity = new CPasswordValidityPage(m_working, m_tabs);
    m_internet = new CPasswordInternetPage(m_working, m_tabs);
    m_udf = new CPasswordUDFPage(m_working, m_tabs);
    m_history = new CPasswordHistoryPage(m_working, !m_editing, m_tabs);
    m_autoCompletion = new CPasswordAutoCompletionPage(m_working, m_tabs);
    m_symbol = new CPasswordSymbolPage(m_working, [this] { return m_internet->m_url->text(); }, m_tabs);
    const std::pair<CPasswordPageBase*, const char*> pages[] = {
        {m_general, "Allgemein"},
        {m_commentPage, "Kommentar"},
        {m_validity, "Gültigkeit"},
        {m_internet, "Url/Programm"},
        {m_udf, "Benutzerdefinierte Felder"},
        {m_history, "Passworthistorie"},
        {m_autoCompletion, "Auto-Vervollständigung"},
        {m_symbol, "Symbol"},
    };
    for (const auto& [page, title] : pages) {
        m_tabs->addTab(page, QString::fromUtf8(title));
        m_pages.push_back(page);
    }
    // OK and Cancel only: the pages write on OK, there is nothing to apply in between.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("OK"));
    // Enter in a field stores the entry; Escape reaches QDialog::reject.
    ok->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOk(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    // Wide enough for every caption; a window made narrower scrolls the tabs instead.
    m_tabs->setUsesScrollButtons(false);
    const int allTabs = m_tabs->minimumSizeHint().width();
    m_tabs->setUsesScrollButtons(true);
    const QMargins margins = layout->contentsMargins();
    resize(QSize(std::max(680, allTabs + margins.left() + margins.right()), 500).expandedTo(sizeHint()));
}

CPasswordSheet::~CPasswordSheet() = default;

bool CPasswordSheet::Initialise() {
    if (m_initialised) {
        return true;
    }
    if (m_editing && !m_original) {
        CMessageBox::ShowError(this, u"Das Passwort kann nicht bearbeitet werden. Null Pointer");
        return false;
    }
    m_initialised = true;
    const PasswordADT::PasswordData& data = m_store.Data();
    m_general->m_folder->clear();
    for (const auto& folder : data.Folders()) {
        m_general->m_folder->addItem(folder ? Q(folder->GetName().View()) : QString());
    }
    m_general->m_folder->setCurrentIndex(m_folder < data.FolderCount() ? static_cast<int>(m_folder) : -1);
    for (CPasswordPageBase* page : m_pages) {
        page->Fill();
    }
    m_tabs->setCurrentIndex(0);
    // A new entry's folder is chosen already, so typing starts at the description; an edit
    // starts at the first field of the page.
    QWidget* first = m_editing ? static_cast<QWidget*>(m_general->m_folder) : m_general->m_description;
    first->setFocus(Qt::OtherFocusReason);
    return true;
}

int CPasswordSheet::exec() {
    if (!Initialise()) {
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void CPasswordSheet::ShowPage(QWidget* page) { m_tabs->setCurrentWidget(page); }

void CPasswordSheet::SetWindowList(Platform::IWindowList* list) { g_windowList = list; }
Platform::IWindowList* CPasswordSheet::GetWindowList() { return g_windowList ? g_windowList : DefaultWindowList(); }
void CPasswordSheet::SetFileChooser(FileChooser chooser) { g_fileChooser = std::move(chooser); }

QString CPasswordSheet::ChooseFile(QWidget* parent, const QString& title, const QString& filter) {
    if (g_fileChooser) {
        return g_fileChooser(parent, title, filter);
    }
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

void CPasswordSheet::SetGeneratorRunner(GeneratorRunner runner) { g_generatorRunner = std::move(runner); }

bool CPasswordSheet::RunGenerator(QWidget* parent, SecureString& password) {
    if (g_generatorRunner) {
        return g_generatorRunner(parent, password);
    }
    PasswordGenerator::UI::CPasswordGeneratorDlg dialog(parent);
    return dialog.exec() == QDialog::Accepted && dialog.GetPassword(password);
}

void CPasswordSheet::SetFolderOpener(FolderOpener opener) { g_folderOpener = std::move(opener); }

void CPasswordSheet::OpenFolder(const QString& folder) {
    if (g_folderOpener) {
        g_folderOpener(folder);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace Tarnwick
