#include "app/dialogs/DialogSupport.h"

#include <system_error>

#include <QDialog>
#include <QPushButton>

#include "app/ApplicationIcon.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::Dialogs {

void PrepareDialog(QDialog& dialog, const QString& title) {
    dialog.setWindowTitle(title);
    dialog.setWindowIcon(App::ApplicationIcon());
    dialog.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

void ShowLockedInformation(QWidget* parent, std::u16string_view text) {
    WindowsServiceProvider::TaskDialogOptions options;
    options.title = u"Arbeitsbereich ist gesperrt";
    options.content = std::u16string(text);
    options.icon = WindowsServiceProvider::TaskDialogIcon::Information;
    options.cancelButton = true;
    WindowsServiceProvider::CMessageBox::ShowTaskDialog(parent, options);
}

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b) noexcept {
    std::error_code error;
    const bool same = std::filesystem::equivalent(a, b, error);
    return same && !error;
}

} // namespace Tarnwick::Dialogs
