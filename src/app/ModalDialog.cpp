#include "app/ModalDialog.h"

#include <utility>

#include <QDialog>

namespace Tarnwick::App {

namespace {

DialogDriver& DriverSlot() {
    static DialogDriver driver;
    return driver;
}

} // namespace

int RunModal(QDialog& dialog) {
    // A copy: the driver may run further dialogs, and may even replace itself meanwhile.
    const DialogDriver driver = DriverSlot();
    if (!driver) {
        return dialog.exec();
    }
    dialog.setResult(QDialog::Rejected);
    driver(dialog);
    if (dialog.isVisible()) {
        dialog.hide();
    }
    return dialog.result();
}

DialogDriver SetDialogDriver(DialogDriver driver) {
    return std::exchange(DriverSlot(), std::move(driver));
}

} // namespace Tarnwick::App
