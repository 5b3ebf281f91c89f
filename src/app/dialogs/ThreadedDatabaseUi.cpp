#include "app/dialogs/ThreadedDatabaseUi.h"

#include <QThread>

namespace Tarnwick::Dialogs {

namespace {

// The heading of the database object's question before it replaces an existing file.
constexpr std::u16string_view kReplaceHeading = u"Es existiert bereits eine Datenbank mit diesem Namen";

} // namespace

ThreadedDatabaseUi::ThreadedDatabaseUi(IDatabaseUserInterface& gui, QObject* parent) : QObject(parent), m_gui(gui) {}

template <typename Call>
void ThreadedDatabaseUi::OnGuiThread(Call&& call) {
    if (QThread::currentThread() == thread()) {
        call();
        return;
    }
    QMetaObject::invokeMethod(this, std::forward<Call>(call), Qt::BlockingQueuedConnection);
}

void ThreadedDatabaseUi::ShowError(std::u16string_view text) {
    OnGuiThread([this, text] { m_gui.ShowError(text); });
}

void ThreadedDatabaseUi::ShowWarning(std::u16string_view text) {
    OnGuiThread([this, text] { m_gui.ShowWarning(text); });
}

int ThreadedDatabaseUi::AskCommand(std::u16string_view heading, std::u16string_view text,
                                   const std::vector<CommandButton>& buttons) {
    if (m_replacementAgreed && heading == kReplaceHeading) {
        return 0;
    }
    int answer = -1;
    OnGuiThread([&] { answer = m_gui.AskCommand(heading, text, buttons); });
    return answer;
}

} // namespace Tarnwick::Dialogs
