#include "app/mainframe/ClipboardController.h"

#include "log/LogProvider.h"

namespace Tarnwick::MainFrame {

ClipboardController::ClipboardController(ApplicationSettings::Settings& settings,
                                         std::shared_ptr<IFieldClipboard> clipboard,
                                         std::function<void(ClipboardKind)> showKind, QObject* parent)
    : QObject(parent), m_settings(settings), m_clipboard(std::move(clipboard)), m_showKind(std::move(showKind)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ClipboardController::OnTimer);
    m_clipboard->onLost = [this] { OnLost(); };
}

ClipboardController::~ClipboardController() {
    m_timer.stop();
    m_clipboard->onLost = nullptr;
}

void ClipboardController::Copy(std::u16string_view text, ClipboardKind kind) {
    m_clipboard->CopyText(text);
    m_showKind(kind);
    m_timer.stop();
    if (m_settings.clipboardClearSeconds > 0) {
        m_timer.start(m_settings.clipboardClearSeconds * 1000);
    }
}

void ClipboardController::Clear() {
    m_clipboard->Clear();
    m_showKind(ClipboardKind::Empty);
    m_timer.stop();
}

void ClipboardController::OnTimer() {
    try {
        if (m_settings.clipboardClearSeconds >= 1) {
            Clear();
        }
    } catch (...) {
        LogProvider::GenericLog::LogEvent(0, u"ClipboardController::OnTimer: clearing failed");
    }
    m_timer.stop();
}

void ClipboardController::OnLost() {
    try {
        m_showKind(ClipboardKind::Empty);
    } catch (...) {
        LogProvider::GenericLog::LogEvent(0, u"ClipboardController::OnLost failed");
    }
    m_timer.stop();
}

} // namespace Tarnwick::MainFrame
