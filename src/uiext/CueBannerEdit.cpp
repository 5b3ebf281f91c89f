#include "uiext/CueBannerEdit.h"

#include <QPalette>

namespace MFCServiceProvider {

namespace CueBanner {

QColor DefaultColour(const QWidget& widget) {
    return widget.palette().color(QPalette::Disabled, QPalette::Text);
}

void Apply(QLineEdit& edit, const QString& text, const QColor& colour, bool offset) {
    // The line edit paints its placeholder whenever the text is empty, focused or not.
    QPalette palette = edit.palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::PlaceholderText, colour);
    }
    edit.setPalette(palette);
    edit.setPlaceholderText(text);
    const QMargins margins = edit.textMargins();
    edit.setTextMargins(offset ? 1 : 0, offset ? 1 : 0, margins.right(), margins.bottom());
    edit.update();
}

} // namespace CueBanner

CueBannerEdit::CueBannerEdit(QWidget* parent) : QLineEdit(parent), m_cueColour(CueBanner::DefaultColour(*this)) {}

void CueBannerEdit::SetCueText(const QString& text) {
    m_cueText = text;
    Refresh();
}

void CueBannerEdit::SetCueColour(const QColor& colour) {
    m_cueColour = colour;
    Refresh();
}

void CueBannerEdit::SetTextOffset(bool offset) {
    m_offset = offset;
    Refresh();
}

void CueBannerEdit::Refresh() {
    CueBanner::Apply(*this, m_cueText, m_cueColour, m_offset);
}

} // namespace MFCServiceProvider
