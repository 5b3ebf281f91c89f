#include "uiext/TaskDialog.h"

#include <QCommandLinkButton>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace WindowsServiceProvider {

namespace {

// Wrapped texts otherwise make the dialog tall and narrow.
constexpr int kTextWidth = 380;

const QString kExpand = QStringLiteral("Weitere Informationen");
const QString kCollapse = QStringLiteral("Informationen ausblenden");

} // namespace

CTaskDialog::CTaskDialog(QWidget* parent) : QDialog(parent) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_icon = new QLabel(this);
    m_icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    m_icon->hide();

    m_instruction = new QLabel(this);
    m_instruction->setTextFormat(Qt::PlainText);
    m_instruction->setWordWrap(true);
    m_instruction->setMinimumWidth(kTextWidth);
    QFont font = m_instruction->font();
    font.setPointSizeF(font.pointSizeF() * 1.25);
    m_instruction->setFont(font);
    QPalette palette = m_instruction->palette();
    palette.setColor(QPalette::WindowText, QColor(0x00, 0x33, 0x99));
    m_instruction->setPalette(palette);
    m_instruction->hide();

    m_content = new QLabel(this);
    m_content->setTextFormat(Qt::PlainText);
    m_content->setWordWrap(true);
    m_content->setMinimumWidth(kTextWidth);
    m_content->hide();

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_instruction);
    texts->addWidget(m_content);
    texts->addStretch();

    auto* header = new QHBoxLayout;
    header->addWidget(m_icon);
    header->addLayout(texts, 1);

    m_commandLayout = new QVBoxLayout;
    m_commandLayout->setSpacing(2);

    m_footer = new QLabel(this);
    m_footer->setTextFormat(Qt::RichText);
    m_footer->setOpenExternalLinks(true);
    m_footer->hide();

    m_expander = new QPushButton(kExpand, this);
    m_expander->setObjectName(QStringLiteral("expander"));
    m_expander->setCheckable(true);
    m_expander->setFlat(true);
    m_expander->setAutoDefault(false);
    m_expander->hide();
    m_expanded = new QLabel(this);
    m_expanded->setObjectName(QStringLiteral("expanded"));
    m_expanded->setTextFormat(Qt::PlainText);
    m_expanded->setWordWrap(true);
    m_expanded->setMinimumWidth(kTextWidth);
    m_expanded->hide();
    connect(m_expander, &QPushButton::toggled, this, [this](bool open) {
        m_expander->setText(open ? kCollapse : kExpand);
        m_expanded->setVisible(open);
    });

    m_buttons = new QDialogButtonBox(this);
    m_buttons->hide();
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CTaskDialog::reject);
    connect(m_buttons, &QDialogButtonBox::accepted, this, [this] {
        m_selected = -1;
        done(QDialog::Accepted);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addSpacing(8);
    layout->addLayout(m_commandLayout);
    layout->addWidget(m_expander, 0, Qt::AlignLeft);
    layout->addWidget(m_expanded);
    layout->addWidget(m_footer);
    layout->addWidget(m_buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CTaskDialog::SetMainInstruction(const QString& text) {
    m_instruction->setText(text);
    m_instruction->setVisible(!text.isEmpty());
}

void CTaskDialog::SetContent(const QString& text) {
    m_content->setText(text);
    m_content->setVisible(!text.isEmpty());
}

QString CTaskDialog::GetMainInstruction() const {
    return m_instruction->text();
}

QString CTaskDialog::GetContent() const {
    return m_content->text();
}

void CTaskDialog::SetIcon(TaskDialogIcon icon) {
    QStyle::StandardPixmap pixmap = QStyle::SP_MessageBoxInformation;
    switch (icon) {
    case TaskDialogIcon::None:
        m_icon->clear();
        m_icon->hide();
        return;
    case TaskDialogIcon::Information:
        pixmap = QStyle::SP_MessageBoxInformation;
        break;
    case TaskDialogIcon::Warning:
        pixmap = QStyle::SP_MessageBoxWarning;
        break;
    case TaskDialogIcon::Error:
        pixmap = QStyle::SP_MessageBoxCritical;
        break;
    case TaskDialogIcon::Question:
        pixmap = QStyle::SP_MessageBoxQuestion;
        break;
    case TaskDialogIcon::Shield:
        pixmap = QStyle::SP_VistaShield;
        break;
    }
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    QIcon picture = style()->standardIcon(pixmap, nullptr, this);
    if (picture.isNull()) {
        // Only some styles draw a shield; the security icon of the desktop theme stands in.
        picture = QIcon::fromTheme(QStringLiteral("security-high"),
                                style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this));
    }
    m_icon->setPixmap(picture.pixmap(size, size));
    m_icon->show();
}

int CTaskDialog::AddCommand(const QString& text) {
    const qsizetype lineBreak = text.indexOf(QLatin1Char('\n'));
    const QString caption = lineBreak < 0 ? text : text.left(lineBreak);
    const QString explanation = lineBreak < 0 ? QString() : text.mid(lineBreak + 1);
    auto* button = new QCommandLinkButton(caption, explanation, this);
    button->setAutoDefault(false);
    button->setMinimumWidth(kTextWidth);
    const int index = static_cast<int>(m_commands.size());
    connect(button, &QCommandLinkButton::clicked, this, [this, index] { Choose(index); });
    m_commands.append(button);
    m_commandLayout->addWidget(button);
    return index;
}

void CTaskDialog::SetDefaultCommand(int index) {
    for (int i = 0; i < m_commands.size(); ++i) {
        m_commands[i]->setDefault(i == index);
        if (i == index) {
            m_commands[i]->setFocus();
        }
    }
}

void CTaskDialog::SetFooterLink(const QString& text, const QString& url) {
    if (text.isEmpty()) {
        m_footer->clear();
        m_footer->hide();
        return;
    }
    m_footer->setText(QStringLiteral("<a href=\"%1\">%2</a>").arg(url.toHtmlEscaped(), text.toHtmlEscaped()));
    m_footer->show();
}

void CTaskDialog::SetCancelButton(bool shown) {
    m_buttons->setStandardButtons(shown ? QDialogButtonBox::Cancel : QDialogButtonBox::NoButton);
    m_buttons->setVisible(shown);
}

void CTaskDialog::SetOkButton(bool shown) {
    m_buttons->setStandardButtons(shown ? QDialogButtonBox::Ok : QDialogButtonBox::NoButton);
    m_buttons->setVisible(shown);
    if (QPushButton* ok = m_buttons->button(QDialogButtonBox::Ok)) {
        ok->setDefault(true);
    }
}

void CTaskDialog::SetExpandedInformation(const QString& text) {
    m_expanded->setText(text);
    m_expander->setChecked(false);
    m_expander->setVisible(!text.isEmpty());
}

QPushButton* CTaskDialog::GetCancelButton() const {
    return m_buttons->button(QDialogButtonBox::Cancel);
}

void CTaskDialog::Choose(int index) {
    m_selected = index;
    done(QDialog::Accepted);
}

void CTaskDialog::reject() {
    if (!m_allowCancel) {
        return;
    }
    m_selected = -1;
    QDialog::reject();
}

int CTaskDialog::Run() {
    m_selected = -1;
    exec();
    return m_selected;
}

} // namespace WindowsServiceProvider
