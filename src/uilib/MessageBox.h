#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "uiext/TaskDialog.h"

class QApplication;
class QDialog;
class QTranslator;
class QWidget;

namespace WindowsServiceProvider {

// The caption of every message box.
inline constexpr std::u16string_view kProductTitle = u"Tarnwick";

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
// The platform's own answer codes.
enum class MessageResult { Ok = 1, Cancel = 2, Retry = 4, Yes = 6, No = 7 };

struct TaskDialogOptions {
    std::u16string title; // empty: the product title
    std::u16string mainInstruction;
    std::u16string content;
    // "caption\nexplanation" for each command link.
    std::vector<std::u16string> commands;
    int defaultCommand = 0; // -1 for none
    TaskDialogIcon icon = TaskDialogIcon::None;
    std::u16string footerLinkText;
    std::u16string footerLinkUrl;
    bool cancelButton = false;
    // An OK button instead of commands (a message with details).
    bool okButton = false;
    // Shown behind the "Weitere Informationen" expander; empty: no expander.
    std::u16string expandedInformation;
    // Escape and the close button end the dialog with -1.
    bool allowCancel = true;
};

// Answers the finished dialogs in place of the user (tests, scripted runs): clicks one of the
// dialog's buttons or ends it with done()/reject(). A dialog left open counts as cancelled.
class IDialogResponder {
public:
    virtual ~IDialogResponder() = default;
    virtual void Respond(QDialog& dialog) = 0;
};

// Every message the program shows goes through here, with the product title as caption.
class CMessageBox {
public:
    static MessageResult Show(QWidget* parent, std::u16string_view text, MessageIcon icon, MessageButtons buttons);
    static void ShowError(QWidget* parent, std::u16string_view text);
    static void ShowWarning(QWidget* parent, std::u16string_view text);
    static void ShowInformation(QWidget* parent, std::u16string_view text);
    // True for "Ja".
    static bool AskYesNo(QWidget* parent, std::u16string_view text);
    // The index of the chosen command, -1 when the dialog was cancelled.
    static int ShowTaskDialog(QWidget* parent, const TaskDialogOptions& options);

    // Replaces the user; returns the previous responder. nullptr shows the dialogs again.
    static IDialogResponder* SetResponder(IDialogResponder* responder) noexcept;
};

// Loads Qt's German texts (standard buttons "Ja", "Nein", "Abbrechen", edit menus) into the
// application. Returns the installed translator, owned by the application; nullptr when the
// translation file is missing. A second call returns the first translator.
QTranslator* InstallGermanTranslations(QApplication& application);

} // namespace WindowsServiceProvider
