#include "uiext/BrowseButton.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QStyle>

namespace MFCServiceProvider {

namespace {

// Space between the button and the edit's frame.
constexpr int kInset = 2;

} // namespace

BrowseButton::BrowseButton(Mode mode) : m_mode(mode) {
    setToolTip(mode == Mode::Save ? QString::fromUtf16(u"Speichern unter...") : QString::fromUtf16(u"Öffnen"));
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::ArrowCursor);
    setAutoRaise(true);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    const QIcon icon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    if (icon.isNull()) {
        setText(QStringLiteral("..."));
    } else {
        setIcon(icon);
    }
    connect(this, &QToolButton::clicked, this, &BrowseButton::OnClicked);
}

void BrowseButton::Create(QLineEdit& edit, int identifier) {
    if (m_edit != nullptr) {
        m_edit->removeEventFilter(this);
    }
    m_edit = &edit;
    m_identifier = identifier;
    setParent(&edit);
    edit.installEventFilter(this);
    Place();
    show();
}

void BrowseButton::Place() {
    if (m_edit == nullptr) {
        return;
    }
    const int side = qMax(m_edit->height() - 2 * kInset, 1);
    setGeometry(m_edit->width() - side - kInset, kInset, side, side);
    setIconSize(QSize(side - 4, side - 4));
    // Keep the typed text clear of the button.
    const QMargins margins = m_edit->textMargins();
    m_edit->setTextMargins(margins.left(), margins.top(), side + kInset, margins.bottom());
}

bool BrowseButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        Place();
    }
    return QToolButton::eventFilter(watched, event);
}

QString BrowseButton::ChoosePath(const QString& current) {
    QWidget* owner = m_edit != nullptr ? m_edit->window() : window();
    if (m_mode == Mode::Save) {
        return QFileDialog::getSaveFileName(owner, m_title, current, m_filter);
    }
    return QFileDialog::getOpenFileName(owner, m_title, current, m_filter);
}

void BrowseButton::OnClicked() {
    if (m_edit == nullptr) {
        return;
    }
    const QString path = ChoosePath(m_edit->text());
    if (path.isEmpty()) {
        return;
    }
    m_edit->setText(QDir::toNativeSeparators(path));
    emit PathChosen(m_edit->text());
}

} // namespace MFCServiceProvider
