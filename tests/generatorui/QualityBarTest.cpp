#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include "generator/QualityAnalyser.h"
#include "generator/ui/QualityBar.h"
#include "uilib/SecureEdit.h"

using CryptoServiceProvider::PasswordMeter::QualityAnalyser;
using CryptoServiceProvider::PasswordMeter::QualityBar;
using CryptoServiceProvider::PasswordMeter::QualityMeter;
using MFCServiceProvider::SecureEdit;
using StringServiceProvider::SecureString;

namespace {

QImage Render(QualityBar& bar) {
    return bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool IsGrey(QColor c) {
    return std::abs(c.red() - c.green()) <= 2 && std::abs(c.green() - c.blue()) <= 2;
}

TEST(QualityBar, ShowsTheScoreAsPercent) {
    QualityBar bar;
    bar.resize(202, 40);
    EXPECT_EQ(bar.height(), QualityMeter::kHeight);
    EXPECT_EQ(bar.GetPosition(), 0);
    bar.SetScore(9);
    EXPECT_EQ(bar.GetPosition(), 7);
    bar.SetScore(96);
    EXPECT_EQ(bar.GetPosition(), 75);
    bar.SetScore(1000);
    EXPECT_EQ(bar.GetPosition(), 100);
    bar.SetScore(-5);
    EXPECT_EQ(bar.GetPosition(), 0);

    bar.UpdateFromPassword(SecureString(std::u16string_view(u"aaaa")));
    EXPECT_EQ(bar.GetScore(), 9);
    bar.UpdateFromPassword(SecureString(std::u16string_view(u"abcd")));
    EXPECT_EQ(bar.GetScore(), 14);
    bar.UpdateFromPassword(SecureString());
    EXPECT_EQ(bar.GetPosition(), 0);
    // A password only of characters from 127 upwards draws on a pool of 112.
    bar.UpdateFromPassword(SecureString(std::u16string_view(u"\u00E4\u00F6")));
    EXPECT_EQ(bar.GetScore(), 14); // ceil(2 x log2(112)) = ceil(13.61)
}

TEST(QualityBar, KeepsItsPositionOverResizesAndBounds) {
    QualityBar bar;
    bar.resize(202, QualityMeter::kHeight);
    bar.SetScore(64);
    EXPECT_EQ(bar.GetPosition(), 50);
    EXPECT_EQ(bar.GetMeter().GetSegmentWidth(), 40);
    bar.resize(102, QualityMeter::kHeight);
    EXPECT_EQ(bar.GetPosition(), 50);
    EXPECT_EQ(bar.GetMeter().GetSegmentWidth(), 20);
    EXPECT_EQ(bar.GetMeter().GetEdges().back(), 101);
    bar.SetBounds(10, 40);
    EXPECT_EQ(bar.GetPosition(), 40);
    bar.SetScore(0);
    EXPECT_EQ(bar.GetPosition(), 10);
}

TEST(QualityBar, DrawsTheSegmentsItReaches) {
    QualityBar bar;
    bar.resize(202, QualityMeter::kHeight);
    const int middle = QualityMeter::kHeight / 2;

    QImage empty = Render(bar);
    ASSERT_EQ(empty.width(), 202);
    for (int x : {5, 100, 195}) {
        EXPECT_TRUE(IsGrey(empty.pixelColor(x, middle))) << x;
    }

    bar.SetScore(96); // 75 percent: filled up to x = 151
    QImage filled = Render(bar);
    const QColor red = filled.pixelColor(20, middle);
    EXPECT_GT(red.red(), red.green() + 40);
    const QColor yellow = filled.pixelColor(100, middle);
    EXPECT_GT(yellow.red(), 200);
    EXPECT_GT(yellow.green(), 200);
    EXPECT_LT(yellow.blue(), 220);
    EXPECT_FALSE(IsGrey(filled.pixelColor(148, middle)));
    EXPECT_TRUE(IsGrey(filled.pixelColor(160, middle)));
    EXPECT_TRUE(IsGrey(filled.pixelColor(195, middle)));

    bar.SetScore(128);
    QImage full = Render(bar);
    const QColor green = full.pixelColor(199, middle);
    EXPECT_GT(green.green(), green.red() + 20);
    EXPECT_GT(green.green(), green.blue() + 20);
    // The frame stays grey.
    EXPECT_TRUE(IsGrey(full.pixelColor(0, middle)));
    EXPECT_TRUE(IsGrey(full.pixelColor(201, middle)));
}

TEST(QualityBar, FollowsThePasswordOfItsEdit) {
    SecureEdit edit;
    edit.resize(200, 24);
    QualityBar bar;
    bar.resize(202, QualityMeter::kHeight);
    edit.AttachQualityBar(&bar);
    EXPECT_EQ(bar.GetPosition(), 0);

    QTest::keyClicks(&edit, QStringLiteral("aaaa"));
    EXPECT_EQ(bar.GetScore(), 9);
    EXPECT_EQ(bar.GetPosition(), 7);

    edit.SetText(u"abcd");
    EXPECT_EQ(bar.GetScore(), 14);

    const std::u16string strong = u"Y6BzUZKCixgc1Fnq";
    edit.clear();
    QTest::keyClicks(&edit, QString::fromStdU16String(strong));
    QualityAnalyser analyser;
    EXPECT_EQ(bar.GetScore(), analyser.Analyse(strong));
    EXPECT_EQ(bar.GetPosition(), 75);

    // Unmasked edits keep updating it.
    edit.SetMasked(false);
    EXPECT_EQ(bar.GetPosition(), 75);
    for (int i = 0; i < 12; ++i) {
        QTest::keyClick(&edit, Qt::Key_Backspace);
    }
    EXPECT_EQ(bar.GetScore(), analyser.Analyse(std::u16string_view(u"Y6Bz")));
    edit.SetMasked(true);
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(bar.GetScore(), 0);
    EXPECT_EQ(bar.GetPosition(), 0);

    edit.AttachQualityBar(nullptr);
    QTest::keyClicks(&edit, QStringLiteral("abc"));
    EXPECT_EQ(bar.GetScore(), 0);
}

TEST(QualityBar, MayGoBeforeItsEdit) {
    SecureEdit edit;
    auto* bar = new QualityBar;
    edit.AttachQualityBar(bar);
    delete bar;
    QTest::keyClicks(&edit, QStringLiteral("abc"));
    EXPECT_EQ(edit.GetLength(), 3u);
}

} // namespace
