#pragma once

#include <QObject>

#include "database/DatabaseUserInterface.h"

namespace Tarnwick::Dialogs {

// Lets a database request on a worker thread show its messages and ask its questions: every
// call is carried out by the given interface on the thread this object lives on (the GUI
// thread), and the worker waits for the answer. Progress is left to the dialog's own bar.
class ThreadedDatabaseUi final : public QObject, public IDatabaseUserInterface {
    Q_OBJECT
public:
    explicit ThreadedDatabaseUi(IDatabaseUserInterface& gui, QObject* parent = nullptr);

    // The question before an existing file is replaced is answered "replace" without asking
    // (the user agreed already).
    void SetReplacementAgreed(bool agreed) noexcept { m_replacementAgreed = agreed; }

    void ShowError(std::u16string_view text) override;
    void ShowWarning(std::u16string_view text) override;
    int AskCommand(std::u16string_view heading, std::u16string_view text,
                   const std::vector<CommandButton>& buttons) override;
    void ProgressStart(std::int32_t) override {}
    void ProgressStep() override {}
    void ProgressEnd() override {}

private:
    template <typename Call>
    void OnGuiThread(Call&& call);

    IDatabaseUserInterface& m_gui;
    bool m_replacementAgreed = false;
};

} // namespace Tarnwick::Dialogs
