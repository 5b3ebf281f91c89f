#pragma once

#include <QColor>
#include <QLineEdit>
#include <QString>

namespace MFCServiceProvider {

// The grey hint text of an empty edit field, shared by the plain and the secure field.
namespace CueBanner {

// The system's grey text colour.
QColor DefaultColour(const QWidget& widget);
// Shows text in colour while edit is empty; offset moves the text one pixel right and down.
void Apply(QLineEdit& edit, const QString& text, const QColor& colour, bool offset);

} // namespace CueBanner

// An edit field that shows a grey hint while it is empty.
class CueBannerEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CueBannerEdit(QWidget* parent = nullptr);

    void SetCueText(const QString& text);
    QString GetCueText() const { return m_cueText; }
    void SetCueColour(const QColor& colour);
    QColor GetCueColour() const { return m_cueColour; }
    void SetTextOffset(bool offset);
    // True while the field is empty and has a hint to show.
    bool IsCueShown() const { return text().isEmpty() && !m_cueText.isEmpty(); }

private:
    void Refresh();

    QString m_cueText;
    QColor m_cueColour;
    bool m_offset = false;
};

} // namespace MFCServiceProvider
