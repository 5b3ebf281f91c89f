// The symbol page: the entry's icon from the library, a file or the web site.
#include <filesystem>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "editor/EditorText.h"
#include "editor/PasswordPages.h"
#include "editor/PasswordSheet.h"
#include "editor/Symbols.h"
#include "base/exceptions/Exception.h"
#include "uilib/MessageBox.h"

namespace Tarnwick {
namespace {

using Editor::Q;
using Editor::TooLong;
using Editor::U;
using PasswordADT::PasswordItem;
using WindowsServiceProvider::CMessageBox;

} // namespace

CPasswordSymbolPage::CPasswordSymbolPage(PasswordItem& working, std::function<QString()> urlSource, QWidget* parent)
    : CPasswordPageBase(working, parent), m_urlSource(std::move(urlSource)) {
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    m_preview = new QLabel(this);
    m_preview->setFixedSize(48, 48);
    m_preview->setFrameShape(QFrame::StyledPanel);
    m_preview->setAlignment(Qt::AlignCenter);
    row->addWidget(m_preview);
    m_path = new QLabel(this);
    m_path->setWordWrap(true);
    row->addWidget(m_path, 1);
    layout->addLayout(row);
    m_change = new QPushButton(QStringLiteral("&Symbol ändern"), this);
    m_menu = new QMenu(m_change);
    m_menu->addAction(QStringLiteral("Aus der &Symbolbibliothek..."), this, [this] { ChooseFromLibrary(); });
    m_menu->addAction(QStringLiteral("Aus einer &Datei..."), this, [this] { ChooseFromFile(); });
    m_menu->addAction(QStringLiteral("Von der &Internetadresse"), this, [this] { ChooseFromWeb(); });
    m_change->setMenu(m_menu);
    m_manage = new QPushButton(QStringLiteral("&Heruntergeladene Symbole verwalten"), this);
    m_remove = new QPushButton(QStringLiteral("Symbol &entfernen"), this);
    for (QPushButton* button : {m_change, m_manage, m_remove}) {
        layout->addWidget(button, 0, Qt::AlignLeft);
    }
    layout->addStretch();
    connect(m_manage, &QPushButton::clicked, this, &CPasswordSymbolPage::ManageDownloaded);
    connect(m_remove, &QPushButton::clicked, this, &CPasswordSymbolPage::Remove);
}

void CPasswordSymbolPage::Fill() {
    m_symbol = Q(m_entry.GetSymbol().View());
    ShowSymbol();
}

void CPasswordSymbolPage::ShowSymbol() {
    const QIcon icon = Editor::LoadSymbol(U(m_symbol));
    m_preview->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(32, 32));
    m_path->setText(m_symbol.isEmpty() ? QStringLiteral("(kein Symbol)") : m_symbol);
}

bool CPasswordSymbolPage::ChooseFromLibrary(int index) {
    if (index < 0) {
        QDialog picker(this);
        picker.setWindowTitle(QStringLiteral("Symbol auswählen"));
        auto* layout = new QVBoxLayout(&picker);
        auto* list = new QListWidget(&picker);
        list->setViewMode(QListView::IconMode);
        list->setIconSize(QSize(32, 32));
        for (int i = 0; i < Editor::LibraryIconCount(); ++i) {
            list->addItem(new QListWidgetItem(Editor::LibraryIcon(i), QString::number(i)));
        }
        layout->addWidget(list);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &picker);
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, &picker, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, &picker, &QDialog::reject);
        connect(list, &QListWidget::itemDoubleClicked, &picker, &QDialog::accept);
        if (picker.exec() != QDialog::Accepted || list->currentRow() < 0) {
            return false;
        }
        index = list->currentRow();
    }
    if (index >= Editor::LibraryIconCount()) {
        return Refuse(u"Das Symbol konnte nich geladen werden.");
    }
    m_symbol = Q(Editor::LibraryReference(index));
    ShowSymbol();
    return true;
}

bool CPasswordSymbolPage::ChooseFromFile(const QString& chosen) {
    QString path = chosen;
    if (path.isEmpty()) {
        path = CPasswordSheet::ChooseFile(this, QStringLiteral("Symbol aus Datei laden..."),
                                          QStringLiteral("Symboldateien (*.ico);;Alle Dateien (*)"));
        if (path.isEmpty()) {
            return false;
        }
    }
    if (TooLong(path, PasswordItem::kMaxSymbol)) {
        return Refuse(u"Der Dateiname für das Symbol ist zu lang.");
    }
    if (Editor::LoadSymbol(U(path)).isNull()) {
        return Refuse(u"Das Symbol konnte nich geladen werden.");
    }
    m_symbol = path;
    ShowSymbol();
    return true;
}

bool CPasswordSymbolPage::ChooseFromWeb() {
    const QString url = m_urlSource ? m_urlSource().trimmed() : QString();
    const QUrl parsed(url);
    const QString scheme = parsed.scheme().toLower();
    if (url.isEmpty() || parsed.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        WindowsServiceProvider::TaskDialogOptions options;
        options.title = u"Symbol kann nicht von URL geladen werden";
        options.content = u"Um ein Symbol von einer URL laden zu können, muss im Register \"Url/Programm\" eine "
                          u"gültige Internetadresse eingetragen sein.";
        options.icon = WindowsServiceProvider::TaskDialogIcon::Warning;
        options.cancelButton = true;
        options.defaultCommand = -1;
        CMessageBox::ShowTaskDialog(this, options);
        return false;
    }
    std::filesystem::path file;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        file = Editor::DownloadSiteIcon(U(url));
    } catch (const Utilities::Exceptions::Exception&) {
        QApplication::restoreOverrideCursor();
        return Refuse(u"Das Symbol konnte nicht von der Internetseite heruntergeladen werden.");
    }
    QApplication::restoreOverrideCursor();
    return ChooseFromFile(QString::fromStdString(file.string()));
}

void CPasswordSymbolPage::ManageDownloaded() {
    CPasswordSheet::OpenFolder(QString::fromStdString(Editor::DownloadedSymbolFolder().string()));
}

void CPasswordSymbolPage::Remove() {
    m_symbol.clear();
    ShowSymbol();
}

bool CPasswordSymbolPage::Validate() {
    if (TooLong(m_symbol, PasswordItem::kMaxSymbol)) {
        return Refuse(u"Der Dateiname für das Symbol ist zu lang.");
    }
    return true;
}

void CPasswordSymbolPage::Apply(PasswordItem& target) { target.SetSymbol(U(m_symbol)); }

} // namespace Tarnwick
