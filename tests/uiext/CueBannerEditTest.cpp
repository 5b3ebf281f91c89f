#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include "uiext/CueBannerEdit.h"

using MFCServiceProvider::CueBannerEdit;

namespace {

// Pixels that are clearly the (pure red) cue colour.
int CuePixels(QLineEdit& edit) {
    const QImage image = edit.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 150 && c.green() < 110 && c.blue() < 110) {
                ++count;
            }
        }
    }
    return count;
}

TEST(CueBannerEdit, ShowsTheCueOnlyWhileEmpty) {
    CueBannerEdit edit;
    edit.resize(220, 26);
    EXPECT_FALSE(edit.IsCueShown()); // no cue text yet
    EXPECT_EQ(CuePixels(edit), 0);

    edit.SetCueText(QStringLiteral("Benutzername"));
    edit.SetCueColour(QColor(255, 0, 0));
    EXPECT_TRUE(edit.IsCueShown());
    EXPECT_GT(CuePixels(edit), 20);

    QTest::keyClicks(&edit, QStringLiteral("m"));
    EXPECT_FALSE(edit.IsCueShown());
    EXPECT_EQ(CuePixels(edit), 0);

    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_TRUE(edit.IsCueShown());
    EXPECT_GT(CuePixels(edit), 20);

    // Focus does not hide it.
    edit.show();
    edit.setFocus();
    EXPECT_GT(CuePixels(edit), 20);
}

TEST(CueBannerEdit, DefaultsAndOffset) {
    CueBannerEdit edit;
    EXPECT_EQ(edit.GetCueColour(), edit.palette().color(QPalette::Disabled, QPalette::Text));
    edit.SetCueText(QStringLiteral("Sicherungspfad"));
    EXPECT_EQ(edit.placeholderText(), QStringLiteral("Sicherungspfad"));
    EXPECT_EQ(edit.palette().color(QPalette::Active, QPalette::PlaceholderText), edit.GetCueColour());
    edit.setTextMargins(0, 0, 17, 0);
    edit.SetTextOffset(true);
    EXPECT_EQ(edit.textMargins(), QMargins(1, 1, 17, 0)); // a browse button's room stays
    edit.SetTextOffset(false);
    EXPECT_EQ(edit.textMargins(), QMargins(0, 0, 17, 0));
}

} // namespace
