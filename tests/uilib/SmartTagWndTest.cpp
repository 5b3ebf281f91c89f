// The smart tag window: its menu (entries above the fixed commands, in the order added, at most
// 51), where it stands beside the caret, and that "Abbrechen" and Escape choose nothing.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "uilib/SmartTagWnd.h"

namespace {

using Tarnwick::UiLibrary::SmartTag::CSmartTagWnd;

QStringList Texts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return texts;
}

struct Choice {
    int command = 0;
    std::uint64_t data = 0;
    int count = 0;
};

// Opens the menu from the keyboard and, once it shows, presses the keys in it.
void ChooseWithKeys(CSmartTagWnd& tag, const std::vector<Qt::Key>& keys) {
    QTimer::singleShot(0, &tag, [&tag, keys] {
        QMenu* menu = tag.Menu();
        QTimer::singleShot(50, menu, [menu, keys] {
            for (Qt::Key key : keys) {
                QTest::keyClick(menu, key);
            }
        });
    });
    QTest::keyClick(&tag, Qt::Key_Return);
}

TEST(SmartTagWnd, WithoutEntriesTheMenuHoldsTheFixedCommands) {
    CSmartTagWnd tag;
    ASSERT_TRUE(tag.Create(0x400001, QPoint(500, 400)));
    EXPECT_TRUE(tag.Exists());
    EXPECT_EQ(tag.GetSafeParent(), 0x400001u);
    EXPECT_EQ(tag.windowTitle(), QStringLiteral("Tarnwick SmartTag"));
    EXPECT_EQ(tag.size(), QSize(24, 24));
    EXPECT_EQ(Texts(tag.Menu()), (QStringList{QStringLiteral("Neues Passwort für Anwendung erstellen"),
                                              QStringLiteral("Anwendung vorhandenem Passwort zuordnen"),
                                              QStringLiteral("-"), QStringLiteral("Abbrechen")}));
    EXPECT_NEAR(tag.windowOpacity(), 127.0 / 255.0, 0.01);
    tag.DestroyWindow();
}

TEST(SmartTagWnd, EntriesStandAboveTheFixedCommandsInTheOrderAdded) {
    CSmartTagWnd tag;
    ASSERT_TRUE(tag.Create(1, QPoint(500, 400)));
    EXPECT_TRUE(tag.AddMenuItem(QStringLiteral("Bank"), 7));
    EXPECT_TRUE(tag.AddMenuItem(QStringLiteral("Passwortinformation 1"), 8));
    EXPECT_EQ(Texts(tag.Menu()),
              (QStringList{QStringLiteral("Bank"), QStringLiteral("Passwortinformation 1"), QStringLiteral("-"),
                           QStringLiteral("Neues Passwort für Anwendung erstellen"),
                           QStringLiteral("Anwendung vorhandenem Passwort zuordnen"), QStringLiteral("-"),
                           QStringLiteral("Abbrechen")}));
    EXPECT_EQ(tag.Menu()->actions()[0]->data().toInt(), 33000);
    EXPECT_EQ(tag.Menu()->actions()[1]->data().toInt(), 33001);
    EXPECT_EQ(tag.EntryCount(), 2u);
}

TEST(SmartTagWnd, FiftyOneEntriesAreTakenAndTheFiftySecondIsRefused) {
    CSmartTagWnd tag;
    ASSERT_TRUE(tag.Create(1, QPoint(500, 400)));
    for (int i = 0; i < 51; ++i) {
        ASSERT_TRUE(tag.AddMenuItem(QString::number(i), static_cast<std::uint64_t>(i))) << i;
    }
    EXPECT_FALSE(tag.AddMenuItem(QStringLiteral("zu viel"), 51));
    EXPECT_EQ(tag.EntryCount(), 51u);
}

TEST(SmartTagWnd, ItStandsThirtyPixelsBesideTheCaretAwayFromTheScreensEdge) {
    EXPECT_EQ(CSmartTagWnd::Placement(QPoint(500, 400)), QPoint(470, 370));
    EXPECT_EQ(CSmartTagWnd::Placement(QPoint(59, 400)), QPoint(89, 370));
    EXPECT_EQ(CSmartTagWnd::Placement(QPoint(60, 59)), QPoint(30, 89));
    EXPECT_EQ(CSmartTagWnd::Placement(QPoint(10, 10)), QPoint(40, 40));
}

TEST(SmartTagWnd, ChoosingAnEntryReportsItsDataAndClosesTheTag) {
    CSmartTagWnd tag;
    Choice choice;
    tag.onCommand = [&](int command, std::uint64_t data) {
        choice = Choice{command, data, choice.count + 1};
    };
    bool destroyed = false;
    tag.onDestroyed = [&] { destroyed = true; };
    ASSERT_TRUE(tag.Create(1, QPoint(500, 400)));
    // Data wider than 16 bits comes back whole.
    tag.AddMenuItem(QStringLiteral("Bank"), 0x1234567890ULL);
    ChooseWithKeys(tag, {Qt::Key_Return});
    EXPECT_EQ(choice.count, 1);
    EXPECT_EQ(choice.command, 33000);
    EXPECT_EQ(choice.data, 0x1234567890ULL);
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(tag.Exists());
}

TEST(SmartTagWnd, TheFixedCommandsAreReported) {
    CSmartTagWnd tag;
    Choice choice;
    tag.onCommand = [&](int command, std::uint64_t data) { choice = Choice{command, data, choice.count + 1}; };
    ASSERT_TRUE(tag.Create(1, QPoint(500, 400)));
    tag.AddMenuItem(QStringLiteral("Bank"), 0);
    ChooseWithKeys(tag, {Qt::Key_Down, Qt::Key_Return}); // past the separator
    EXPECT_EQ(choice.count, 1);
    EXPECT_EQ(choice.command, CSmartTagWnd::kNewEntry);
}

TEST(SmartTagWnd, CancelAndEscapeSendNothing) {
    {
        CSmartTagWnd tag;
        Choice choice;
        tag.onCommand = [&](int command, std::uint64_t data) { choice = Choice{command, data, choice.count + 1}; };
        ASSERT_TRUE(tag.Create(1, QPoint(500, 400)));
        tag.AddMenuItem(QStringLiteral("Bank"), 0);
        ChooseWithKeys(tag, {Qt::Key_Up, Qt::Key_Return}); // from the first item up to the last: "Abbrechen"
        EXPECT_EQ(choice.count, 0);
        EXPECT_FALSE(tag.Exists());
    }
    {
        CSmartTagWnd tag;
        Choice choice;
        tag.onCommand = [&](int command, std::uint64_t data) { choice = Choice{command, data, choice.count + 1}; };
        ASSERT_TRUE(tag.Create(1, QPoint(500, 400)));
        tag.AddMenuItem(QStringLiteral("Bank"), 0);
        QTest::keyClick(&tag, Qt::Key_Escape);
        EXPECT_EQ(choice.count, 0);
        EXPECT_FALSE(tag.Exists());
    }
}

} // namespace
