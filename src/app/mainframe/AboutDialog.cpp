#include "app/mainframe/AboutDialog.h"

#include <algorithm>
#include <string>
#include <vector>

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/mainframe/CommandIcons.h"
#include "core/Path.h"
#include "platform/LoadedModules.h"
#include "core/SystemInformation.h"
#include "base/text/Format.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::MainFrame {

namespace {

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Info über Tarnwick"));
    const QString version = ToQString(Core::GetVersionNumberOfExecuteable());
    m_versionLine = ToQString(Text::Format(u"Version 2010 (Build %s) %d-Bit", version.toStdU16String(),
                                           static_cast<std::int64_t>(sizeof(void*) * 8))
                                  .View());

    auto* layout = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    auto* title = new QLabel(QStringLiteral("Tarnwick 2010"), this);
    QFont font = title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.4);
    title->setFont(font);
    head->addWidget(icon);
    head->addWidget(title, 1);
    layout->addLayout(head);
    layout->addWidget(new QLabel(m_versionLine, this));

    m_components = new QTreeWidget(this);
    m_components->setColumnCount(2);
    m_components->setHeaderLabels({QStringLiteral("Komponente"), QStringLiteral("Version")});
    m_components->setRootIsDecorated(false);
    m_components->header()->resizeSection(0, 220);
    // The program and its libraries are built and delivered together, with one version.
    const char* const files[] = {"tarnwick", "libtwuilib.so", "libtwopt.so", "libtwupd.so", "libtwcore.so",
                                 "libtwuiext.so", "twexec", "libtwlog.so"};
    std::filesystem::path folder;
    try {
        folder = Core::Path::GetApplicationPath();
    } catch (...) {
        folder.clear();
    }
    // A library counts as present when this process has it loaded, wherever it lies; a program
    // when it is the running one or lies beside it.
    std::vector<std::string> loaded;
    for (const std::filesystem::path& module : Platform::LoadedModules()) {
        loaded.push_back(module.filename().string());
    }
    for (const char* file : files) {
        const std::string name(file);
        const bool library = name.rfind("lib", 0) == 0;
        const bool present = library ? std::find_if(loaded.begin(), loaded.end(), [&](const std::string& have) {
                                     return have == name || have.rfind(name + ".", 0) == 0;
                                 }) != loaded.end()
                               : !folder.empty() && QFileInfo::exists(QString::fromStdString((folder / file).string()));
        new QTreeWidgetItem(m_components,
                            {QString::fromLatin1(file), present ? version : QStringLiteral("nicht vorhanden")});
    }
    layout->addWidget(m_components, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* system = buttons->addButton(QStringLiteral("Systeminfo..."), QDialogButtonBox::ActionRole);
    connect(system, &QPushButton::clicked, this, [this] {
        const QString text = SystemInformation();
        WindowsServiceProvider::CMessageBox::ShowInformation(this, text.toStdU16String());
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(460, 360);
}

QString CAboutDialog::VersionLine() const { return m_versionLine; }

QString CAboutDialog::SystemInformation() {
    return QStringLiteral("Betriebssystem: %1\nKernel: %2 %3\nArchitektur: %4\nQt: %5")
        .arg(QSysInfo::prettyProductName(), QSysInfo::kernelType(), QSysInfo::kernelVersion(),
             QSysInfo::currentCpuArchitecture(), QString::fromLatin1(qVersion()));
}

} // namespace Tarnwick::MainFrame
