#pragma once

#include <mutex>

#include <QPointer>

#include "update/UpdateUserInterface.h"

class QDialog;
class QWidget;

namespace Tarnwick::UpdateProvider {

// The update's windows in Qt: a modal progress window titled "Tarnwick - Update" while the
// worker runs, the program's message boxes and task dialogs for the answers.
class QtUpdateUserInterface final : public IUpdateUserInterface {
public:
    QtUpdateUserInterface();
    ~QtUpdateUserInterface() override;

    bool HasParentWindow() override;
    void RunWithProgress(std::u16string_view instruction, std::u16string_view content, std::atomic<bool>& cancel,
                         const std::function<void()>& work) override;
    void SetProgressTexts(std::u16string_view instruction, std::u16string_view content) override;
    void ShowMessage(UpdateMessageIcon icon, std::u16string_view text) override;
    int Ask(const UpdateQuestion& question) override;
    void OpenUrl(const std::string& url) override;

private:
    QWidget* Parent() const;

    std::mutex m_mutex;
    QPointer<QDialog> m_progress;
};

} // namespace Tarnwick::UpdateProvider
