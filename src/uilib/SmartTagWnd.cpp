#include "uilib/SmartTagWnd.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace Tarnwick::UiLibrary::SmartTag {

namespace {

constexpr const char* kItemData = "tarnwickItemData";

// A key on a blue badge, drawn at the window's size.
QPixmap DrawIcon() {
    QPixmap pixmap(CSmartTagWnd::kSize, CSmartTagWnd::kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x1F, 0x4E, 0x8C), 1));
    painter.setBrush(QColor(0x3A, 0x7B, 0xD5));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 23, 23), 5, 5);
    painter.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(4.5, 8, 7, 7));
    painter.drawLine(QPointF(11.5, 11.5), QPointF(19.5, 11.5));
    painter.drawLine(QPointF(16.5, 11.5), QPointF(16.5, 15));
    painter.drawLine(QPointF(19.5, 11.5), QPointF(19.5, 14));
    return pixmap;
}

} // namespace

CSmartTagWnd::CSmartTagWnd() : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint) {
    setObjectName(QString::fromLatin1(kWindowClass));
    setWindowTitle(QStringLiteral("Tarnwick SmartTag"));
    setFixedSize(kSize, kSize);
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setToolTip(QStringLiteral("<b>Tarnwick Auto-Vervollständigung</b><br>Klicken Sie auf das Symbol für weitere "
                              "Optionen."));
}

CSmartTagWnd::~CSmartTagWnd() { delete m_menu; }

QPoint CSmartTagWnd::Placement(QPoint point) {
    int x = point.x() - kOffset;
    if (x < kOffset) {
        x = point.x() + kOffset;
    }
    int y = point.y() - kOffset;
    if (y < kOffset) {
        y = point.y() + kOffset;
    }
    return QPoint(x, y);
}

bool CSmartTagWnd::Create(std::uint32_t targetWindow, QPoint point) {
    m_parent = targetWindow;
    m_icon = DrawIcon();
    if (m_icon.isNull()) {
        return false;
    }
    BuildFixedMenu();
    move(Placement(point));
    setWindowOpacity(kRestingOpacity);
    if (beforeShow) {
        winId(); // the native window, so that its class can be set before it is mapped
        beforeShow(*this);
    }
    m_exists = true;
    show();
    raise();
    setFocus(Qt::PopupFocusReason);
    return true;
}

void CSmartTagWnd::BuildFixedMenu() {
    if (m_menu != nullptr) {
        return;
    }
    m_menu = new QMenu();
    m_menu->setObjectName(QStringLiteral("SmartTagMenu"));
    const auto add = [this](const QString& text, int id) {
        QAction* action = m_menu->addAction(text);
        action->setData(id);
    };
    add(QStringLiteral("Neues Passwort für Anwendung erstellen"), kNewEntry);
    add(QStringLiteral("Anwendung vorhandenem Passwort zuordnen"), kAssignEntry);
    m_menu->addSeparator();
    add(QStringLiteral("Abbrechen"), kCancel);
    m_entryCount = 0;
}

bool CSmartTagWnd::AddMenuItem(const QString& text, std::uint64_t data) {
    BuildFixedMenu();
    if (m_entryCount > kEntryLimit) {
        return false;
    }
    if (m_entryCount == 0) {
        QAction* separator = new QAction(m_menu);
        separator->setSeparator(true);
        m_menu->insertAction(m_menu->actions().value(0), separator);
    }
    // Above the separator and the four fixed items, after the entries added before.
    const QList<QAction*> actions = m_menu->actions();
    QAction* item = new QAction(text, m_menu);
    item->setData(static_cast<int>(kFirstEntry + m_entryCount));
    item->setProperty(kItemData, QVariant::fromValue<quint64>(data));
    m_menu->insertAction(actions.value(static_cast<int>(actions.size()) - 5), item);
    ++m_entryCount;
    return true;
}

void CSmartTagWnd::DestroyWindow() {
    if (!m_exists) {
        return;
    }
    m_exists = false;
    m_menuOpen = false;
    if (m_menu != nullptr) {
        m_menu->deleteLater();
        m_menu = nullptr;
    }
    m_entryCount = 0;
    hide();
    if (onDestroyed) {
        onDestroyed();
    }
}

void CSmartTagWnd::OpenMenu(bool byKey) {
    if (!m_exists || m_menu == nullptr) {
        return;
    }
    m_menuOpen = true;
    QMenu* menu = m_menu;
    // Opened from the keyboard the first item is ready for Enter (it stands where the menu opens).
    QAction* first = byKey && !menu->actions().isEmpty() ? menu->actions().first() : nullptr;
    if (first != nullptr) {
        // exec() places the menu at the action but does not highlight it.
        QTimer::singleShot(0, menu, [menu, first] { menu->setActiveAction(first); });
    }
    QAction* chosen = menu->exec(mapToGlobal(QPoint(0, height())), first);
    m_menuOpen = false;
    if (chosen != nullptr) {
        OnMenuClick(chosen);
    }
}

void CSmartTagWnd::OnMenuClick(QAction* action) {
    const int id = action->data().toInt();
    if (id != kCancel && onCommand) {
        const std::uint64_t data = id >= kFirstEntry ? action->property(kItemData).value<quint64>() : 0;
        onCommand(id, data);
    }
    DestroyWindow();
}

void CSmartTagWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_icon);
}

void CSmartTagWnd::enterEvent(QEnterEvent*) { setWindowOpacity(1.0); }

void CSmartTagWnd::leaveEvent(QEvent*) {
    if (!m_menuOpen) {
        setWindowOpacity(kRestingOpacity);
    }
}

void CSmartTagWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        OpenMenu(false);
    }
}

void CSmartTagWnd::keyPressEvent(QKeyEvent* event) {
    m_pressedKey = event->key();
    QWidget::keyPressEvent(event);
}

void CSmartTagWnd::keyReleaseEvent(QKeyEvent* event) {
    // Only a key pressed here counts: the release of a key that closed the menu does not.
    const bool pressedHere = m_pressedKey == event->key() && !event->isAutoRepeat();
    m_pressedKey = 0;
    if (!pressedHere) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Right:
        setWindowOpacity(1.0);
        OpenMenu(true);
        break;
    case Qt::Key_Escape:
        DestroyWindow();
        break;
    default:
        QWidget::keyReleaseEvent(event);
        break;
    }
}

void CSmartTagWnd::closeEvent(QCloseEvent* event) {
    // Escape, a click elsewhere or the focus going away: nothing is sent.
    event->accept();
    DestroyWindow();
}

} // namespace Tarnwick::UiLibrary::SmartTag
