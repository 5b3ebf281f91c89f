#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "uiext/BrowseButton.h"

using MFCServiceProvider::BrowseButton;

namespace {

// Answers in place of the file dialog.
class ScriptedBrowseButton : public BrowseButton {
public:
    using BrowseButton::BrowseButton;
    QString answer;
    QString askedWith;
    int asked = 0;

protected:
    QString ChoosePath(const QString& current) override {
        ++asked;
        askedWith = current;
        return answer;
    }
};

TEST(BrowseButton, TooltipFollowsTheMode) {
    BrowseButton open;
    EXPECT_EQ(open.GetMode(), BrowseButton::Mode::Open);
    EXPECT_EQ(open.toolTip(), QString::fromUtf16(u"Öffnen"));
    BrowseButton save(BrowseButton::Mode::Save);
    EXPECT_EQ(save.toolTip(), QString::fromUtf16(u"Speichern unter..."));
    EXPECT_TRUE(save.focusPolicy() & Qt::TabFocus);
}

TEST(BrowseButton, SitsAtTheRightEndInsideTheEdit) {
    QWidget dialog;
    auto* edit = new QLineEdit(&dialog);
    edit->setGeometry(10, 10, 240, 26);
    auto* button = new ScriptedBrowseButton(BrowseButton::Mode::Save);
    button->Create(*edit, 151);
    dialog.show();
    EXPECT_EQ(button->GetIdentifier(), 151);
    EXPECT_EQ(button->parentWidget(), edit);
    EXPECT_TRUE(button->isVisible());
    EXPECT_TRUE(edit->rect().contains(button->geometry()));
    EXPECT_GT(button->geometry().left(), edit->width() / 2);
    EXPECT_GE(edit->textMargins().right(), button->width());

    // It follows the edit's size.
    edit->resize(400, 30);
    QCoreApplication::processEvents();
    EXPECT_TRUE(edit->rect().contains(button->geometry()));
    EXPECT_GT(button->geometry().left(), 300);
}

TEST(BrowseButton, ClickWritesTheChosenPath) {
    QLineEdit edit;
    edit.resize(240, 26);
    edit.setText(QStringLiteral("/home/user/alt.twdb"));
    ScriptedBrowseButton button;
    button.Create(edit, 1);
    QSignalSpy chosen(&button, &BrowseButton::PathChosen);

    button.answer = QString(); // cancelled
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(button.asked, 1);
    EXPECT_EQ(button.askedWith, QStringLiteral("/home/user/alt.twdb"));
    EXPECT_EQ(edit.text(), QStringLiteral("/home/user/alt.twdb"));
    EXPECT_EQ(chosen.count(), 0);

    button.answer = QStringLiteral("/home/user/neu.twdb");
    button.click();
    EXPECT_EQ(edit.text(), QStringLiteral("/home/user/neu.twdb"));
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toString(), QStringLiteral("/home/user/neu.twdb"));
}

} // namespace
