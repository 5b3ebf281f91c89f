#include "app/mainframe/CommandBar.h"

#include <algorithm>
#include <cstdlib>

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/mainframe/CommandIcons.h"

namespace Tarnwick::MainFrame {

namespace {

// A long caption of a big button goes on two lines, broken at the space nearest its middle.
QString WrappedCaption(const QString& text, const QFontMetrics& metrics) {
    QString caption = text;
    caption.remove(QLatin1Char('&'));
    if (metrics.horizontalAdvance(caption) <= 64 || !caption.contains(QLatin1Char(' '))) {
        return caption;
    }
    qsizetype best = -1;
    for (qsizetype i = caption.indexOf(QLatin1Char(' ')); i >= 0; i = caption.indexOf(QLatin1Char(' '), i + 1)) {
        if (best < 0 || std::abs(i - caption.size() / 2) < std::abs(best - caption.size() / 2)) {
            best = i;
        }
    }
    caption[best] = QLatin1Char('\n');
    return caption;
}

// The style's size hint leaves the caption a few pixels short once a style sheet paints the
// button; the width is made to fit the caption itself.
void FitToCaption(QToolButton* button, bool large) {
    const QFontMetrics metrics = button->fontMetrics();
    int widest = 0;
    for (const QString& line : button->text().split(QLatin1Char('\n'))) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    const int width = large ? std::max(58, widest + 14) : button->iconSize().width() + widest + 20;
    button->setMinimumWidth(width);
}

// A page of the bar, painted in the bar's colours.
class CommandPage final : public QWidget {
public:
    explicit CommandPage(CCommandBar& bar, const QColor* top, const QColor* bottom, const QColor* line)
        : QWidget(&bar), m_top(top), m_bottom(bottom), m_line(line) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0, *m_top);
        gradient.setColorAt(1, *m_bottom);
        painter.fillRect(rect(), gradient);
        painter.setPen(*m_line);
        painter.drawLine(0, height() - 1, width(), height() - 1);
    }

private:
    const QColor* m_top;
    const QColor* m_bottom;
    const QColor* m_line;
};

CCommandBar* BarOf(QWidget* widget) {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (auto* bar = qobject_cast<CCommandBar*>(w)) {
            return bar;
        }
    }
    return nullptr;
}

} // namespace

CCommandPanel::CCommandPanel(const QString& title, QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("CommandPanel"));
    setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 1);
    layout->setSpacing(0);
    m_grid = new QGridLayout;
    m_grid->setHorizontalSpacing(2);
    m_grid->setVerticalSpacing(0);
    layout->addLayout(m_grid, 1);
    auto* caption = new QLabel(title, this);
    caption->setObjectName(QStringLiteral("CommandPanelTitle"));
    caption->setAlignment(Qt::AlignHCenter);
    layout->addWidget(caption);
}

QToolButton* CCommandPanel::Make(QAction* action, bool large) {
    auto* button = new QToolButton(this);
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    if (large) {
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(32, 32));
        button->setMinimumWidth(58);
        button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        // The action sets the button's text whenever it changes; the wrapped caption follows.
        const auto wrap = [button, action] {
            button->setText(WrappedCaption(action->text(), button->fontMetrics()));
            FitToCaption(button, true);
        };
        wrap();
        connect(action, &QAction::changed, button, wrap);
    } else {
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setIconSize(QSize(16, 16));
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        FitToCaption(button, false);
        connect(action, &QAction::changed, button, [button] { FitToCaption(button, false); });
    }
    if (CCommandBar* bar = BarOf(this)) {
        bar->Register(button, action->data().toInt());
    }
    return button;
}

QToolButton* CCommandPanel::AddLarge(QAction* action) {
    if (m_row != 0) {
        ++m_column;
        m_row = 0;
    }
    QToolButton* button = Make(action, true);
    m_grid->addWidget(button, 0, m_column, 3, 1);
    ++m_column;
    return button;
}

QToolButton* CCommandPanel::AddSmall(QAction* action) {
    QToolButton* button = Make(action, false);
    m_grid->addWidget(button, m_row, m_column);
    if (++m_row == 3) {
        m_row = 0;
        ++m_column;
    }
    return button;
}

QToolButton* CCommandPanel::AddMenu(QAction* action, QMenu* menu) {
    QToolButton* button = AddLarge(action);
    button->setMenu(menu);
    button->setPopupMode(QToolButton::InstantPopup);
    return button;
}

CCommandBar::CCommandBar(QWidget* parent) : QTabWidget(parent) {
    setObjectName(QStringLiteral("CommandBar"));
    setDocumentMode(true);
    setUsesScrollButtons(true);
    m_application = new QToolButton(this);
    m_application->setObjectName(QStringLiteral("ApplicationButton"));
    m_application->setText(QStringLiteral("Datei"));
    m_application->setIcon(ApplicationIcon());
    m_application->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_application->setPopupMode(QToolButton::InstantPopup);
    m_application->setAutoRaise(true);
    setCornerWidget(m_application, Qt::TopLeftCorner);
    // A category the user picks by hand stays until the user picks the entry category again.
    connect(tabBar(), &QTabBar::tabBarClicked, this, [this](int index) { m_pinned = index > 0 ? index : -1; });
}

int CCommandBar::AddCategory(const QString& title) {
    auto* page = new CommandPage(*this, &m_top, &m_bottom, &m_line);
    page->setObjectName(QStringLiteral("CommandPage"));
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(0);
    layout->addStretch(1);
    return addTab(page, title);
}

CCommandPanel* CCommandBar::AddPanel(int category, const QString& title) {
    QWidget* page = widget(category);
    auto* layout = static_cast<QHBoxLayout*>(page->layout());
    if (layout->count() > 1) {
        auto* separator = new QFrame(page);
        separator->setObjectName(QStringLiteral("CommandSeparator"));
        separator->setFrameShape(QFrame::VLine);
        separator->setFrameShadow(QFrame::Sunken);
        layout->insertWidget(layout->count() - 1, separator);
    }
    auto* panel = new CCommandPanel(title, page);
    layout->insertWidget(layout->count() - 1, panel);
    return panel;
}

void CCommandBar::SetApplicationMenu(QMenu* menu) { m_application->setMenu(menu); }

void CCommandBar::SetColours(const QColor& top, const QColor& bottom, const QColor& line) {
    m_top = top;
    m_bottom = bottom;
    m_line = line;
    for (int i = 0; i < count(); ++i) {
        widget(i)->update();
    }
}

void CCommandBar::Register(QToolButton* button, int id) { m_buttons.insert(id, button); }

QList<QToolButton*> CCommandBar::ButtonsFor(int id) const {
    QList<QToolButton*> buttons = m_buttons.values(id);
    std::reverse(buttons.begin(), buttons.end());
    return buttons;
}

void CCommandBar::ShowContextCategory(int category) {
    if (m_pinned >= 0 && m_pinned != category) {
        return;
    }
    setCurrentIndex(category);
}

} // namespace Tarnwick::MainFrame
