#include "options/ui/CSettingsDialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/exceptions/Exception.h"
#include "log/LogProvider.h"
#include "options/ui/AutostartEntry.h"
#include "options/ui/OptionsPages.h"
#include "uilib/DialogLayout.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::OptionsLibrary {

using ApplicationSettings::Settings;
using WindowsServiceProvider::CMessageBox;
namespace Options = ::OptionsLibrary::OptionsDialog;

namespace {
constexpr int kPageRole = Qt::UserRole + 1;
constexpr int kItemHeight = 20;
} // namespace

CSettingsDialog::CSettingsDialog(QWidget* parent, Settings& settings, const Options::Environment& environment)
    : QDialog(parent),
      m_settings(settings),
      m_autostart(environment.autostartEntry.empty() ? AutostartEntry::DefaultPath() : environment.autostartEntry),
      m_tree(new QTreeWidget(this)),
      m_caption(new QLabel(this)),
      m_stack(new QStackedWidget(this)),
      m_ok(new QPushButton(QStringLiteral("OK"), this)),
      m_cancel(new QPushButton(QStringLiteral("&Abbrechen"), this)) {
    setWindowTitle(QStringLiteral("Einstellungen"));
    setObjectName(QStringLiteral("5000"));
    m_tree->setObjectName(QStringLiteral("5001"));
    m_caption->setObjectName(QStringLiteral("5002"));
    m_ok->setObjectName(QStringLiteral("1"));
    m_cancel->setObjectName(QStringLiteral("2"));

    QFont bold = m_caption->font();
    bold.setBold(true);
    m_caption->setFont(bold);

    m_pages = {new CGeneralPage(m_stack),          new CAppearancePage(m_stack),
               new CMessagesPage(m_stack),         new CPasswordListPage(m_stack),
               new CAutoCompletionPage(environment.hotKeyGrabber, m_stack), new CSecurityPage(m_stack)};
    for (OptionsPage* page : m_pages) {
        m_stack->addWidget(page);
    }

    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    m_tree->setFixedWidth(190);
    auto* root = new QTreeWidgetItem(m_tree, QStringList(QStringLiteral("Einstellungen")));
    root->setData(0, kPageRole, -1);
    root->setSizeHint(0, QSize(0, kItemHeight));
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        auto* item = new QTreeWidgetItem(root, QStringList(m_pages[i]->windowTitle()));
        item->setData(0, kPageRole, static_cast<int>(i));
        item->setSizeHint(0, QSize(0, kItemHeight));
    }
    root->setExpanded(true);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* right = new QVBoxLayout;
    right->addWidget(m_caption);
    right->addWidget(line);
    right->addWidget(m_stack, 1);
    auto* columns = new QHBoxLayout;
    columns->addWidget(m_tree);
    columns->addLayout(right, 1);
    auto* body = new QVBoxLayout(this);
    body->addLayout(columns, 1);
    UiLibrary::AddButtonRow(*body, {m_ok, m_cancel});
    m_ok->setDefault(true);

    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { OnSelectionChanged(item); });
    connect(m_ok, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { done(Options::IDCANCEL); });

    m_current = m_pages.front();
    m_stack->setCurrentWidget(m_current);
    m_caption->setText(m_current->windowTitle());
    m_tree->setCurrentItem(root->child(0));

    for (OptionsPage* page : m_pages) {
        if (!page->Load(m_settings)) {
            break;
        }
    }
    resize(660, 470);
}

void CSettingsDialog::SelectPage(int index) {
    QTreeWidgetItem* root = m_tree->topLevelItem(0);
    if (index >= 0 && index < root->childCount()) {
        m_tree->setCurrentItem(root->child(index));
    }
}

void CSettingsDialog::OnSelectionChanged(QTreeWidgetItem* item) {
    if (item == nullptr || m_current == nullptr) {
        return;
    }
    const int index = item->data(0, kPageRole).toInt();
    if (index < 0 || index >= static_cast<int>(m_pages.size())) {
        return; // the root
    }
    m_current = m_pages[static_cast<std::size_t>(index)];
    m_caption->setText(m_current->windowTitle());
    m_stack->setCurrentWidget(m_current);
}

void CSettingsDialog::OnOk() {
    // Every page checks and stores into one fresh copy; nothing reaches the record or the
    // autostart folder before all of them accepted.
    Settings edited = m_settings;
    for (OptionsPage* page : m_pages) {
        if (!page->Validate() || !page->Store(edited)) {
            return;
        }
    }
    const bool on = edited.startWithWindows;
    try {
        AutostartEntry(m_autostart).Apply(on);
    } catch (const Utilities::Exceptions::WindowsException& exception) {
        LogProvider::GenericExceptionLog::LogEvent(exception);
        CMessageBox::ShowError(this, on ? kAutostartCreateError : kAutostartDeleteError);
        return;
    } catch (const Utilities::Exceptions::Exception& exception) {
        LogProvider::GenericExceptionLog::LogEvent(exception);
        CMessageBox::ShowError(this, on ? kAutostartCreateError : kAutostartDeleteError);
        return;
    }
    m_settings = std::move(edited);
    done(Options::IDOK);
}

} // namespace Tarnwick::OptionsLibrary

namespace OptionsLibrary::OptionsDialog {

int Show(QWidget* parent, ApplicationSettings::Settings& settings, const Environment& environment) {
    try {
        Tarnwick::OptionsLibrary::CSettingsDialog dialog(parent, settings, environment);
        const int result = environment.runModal ? environment.runModal(dialog) : dialog.exec();
        return result == IDOK ? IDOK : IDCANCEL;
    } catch (const Utilities::Exceptions::Exception& exception) {
        Tarnwick::LogProvider::GenericExceptionLog::LogEvent(exception);
    } catch (...) {
        Tarnwick::LogProvider::LogCurrentException();
    }
    WindowsServiceProvider::CMessageBox::ShowError(parent, Tarnwick::OptionsLibrary::kInitError);
    return IDCANCEL;
}

} // namespace OptionsLibrary::OptionsDialog
