#pragma once

#include <functional>

class QDialog;

namespace Tarnwick::App {

// Takes the user's place for the program's own dialogs (tests, the screenshot tool): it gets
// the dialog instead of the modal loop and ends it with done(), accept() or reject(), or
// runs exec() itself. A dialog it leaves open counts as cancelled.
using DialogDriver = std::function<void(QDialog&)>;

// Runs the dialog modally (or hands it to the driver) and returns its result code.
int RunModal(QDialog& dialog);

// Returns the previous driver; an empty one shows the dialogs again.
DialogDriver SetDialogDriver(DialogDriver driver);

} // namespace Tarnwick::App
