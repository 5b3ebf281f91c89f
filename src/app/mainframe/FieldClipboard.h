#pragma once

#include <QObject>

#include "app/mainframe/FrameServices.h"

namespace Tarnwick::MainFrame {

// The system clipboard through Qt. Copied text carries the hint that keeps clipboard
// managers from storing it.
class QtFieldClipboard final : public QObject, public IFieldClipboard {
    Q_OBJECT
public:
    QtFieldClipboard();

    void CopyText(std::u16string_view text) override;
    void Clear() override;

private:
    void OnChanged();

    bool m_holding = false;
    bool m_changing = false;
};

} // namespace Tarnwick::MainFrame
