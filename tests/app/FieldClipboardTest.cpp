// The field clipboard: what X clients can paste, and that the one plain copy it serves is
// overwritten when the clipboard lets it go. The *ClipboardX11* cases need a real X server
// (QT_QPA_PLATFORM=xcb under Xvfb) and xclip; elsewhere they are skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "app/mainframe/FieldClipboard.h"

namespace {

using Tarnwick::MainFrame::QtFieldClipboard;
using Tarnwick::MainFrame::SecretMimeData;

constexpr std::u16string_view kValue = u"P@ß wörd ä€";
constexpr std::u16string_view kLatin1Value = u"P@ß wörd ä";

QByteArray Utf8(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toUtf8();
}

bool IsXcb() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// True when no byte of the buffer is left: wiped buffers hold zeros only.
bool AllZero(const QByteArray& bytes) {
    return std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return c == 0; });
}

// A reader that shares the buffer the clipboard serves (no copy is made).
QByteArray SharedServedBuffer(const QString& format) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr ? data->data(format) : QByteArray();
}

TEST(FieldClipboard, OffersEveryTextFormatAndTheSecretHint) {
    const SecretMimeData data(kLatin1Value);
    const QStringList formats = data.formats();
    for (const char* format : {"text/plain", "text/plain;charset=utf-8", "UTF8_STRING", "STRING", "TEXT",
                               "x-kde-passwordManagerHint"}) {
        EXPECT_TRUE(formats.contains(QLatin1String(format))) << format;
    }
    EXPECT_EQ(data.data(QStringLiteral("text/plain")), Utf8(kLatin1Value));
    EXPECT_EQ(data.data(QStringLiteral("text/plain;charset=utf-8")), Utf8(kLatin1Value));
    EXPECT_EQ(data.data(QStringLiteral("UTF8_STRING")), Utf8(kLatin1Value));
    EXPECT_EQ(data.data(QStringLiteral("STRING")), QByteArray("P@\xdf w\xf6rd \xe4"));
    EXPECT_EQ(data.data(QStringLiteral("TEXT")), QByteArray("P@\xdf w\xf6rd \xe4"));
    EXPECT_EQ(data.text(), QString::fromUtf16(kLatin1Value.data(), static_cast<qsizetype>(kLatin1Value.size())));
    EXPECT_EQ(data.data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
    EXPECT_TRUE(data.data(QStringLiteral("text/html")).isEmpty());
}

TEST(FieldClipboard, LeavesOutLatin1WhenTheTextDoesNotFit) {
    const SecretMimeData data(kValue);
    EXPECT_FALSE(data.formats().contains(QStringLiteral("STRING")));
    EXPECT_FALSE(data.formats().contains(QStringLiteral("TEXT")));
    EXPECT_TRUE(data.data(QStringLiteral("STRING")).isEmpty());
    EXPECT_EQ(data.data(QStringLiteral("UTF8_STRING")), Utf8(kValue));
    EXPECT_EQ(data.text(), QString::fromUtf16(kValue.data(), static_cast<qsizetype>(kValue.size())));
}

TEST(FieldClipboard, DestroyingTheDataWipesTheBufferItServed) {
    auto data = std::make_unique<SecretMimeData>(kLatin1Value);
    const QByteArray utf8 = data->data(QStringLiteral("text/plain"));
    const QByteArray latin1 = data->data(QStringLiteral("STRING"));
    // Qt asks for a QString when a program reads the text: it shares our one UTF-16 form.
    const QString text = data->text();
    ASSERT_EQ(utf8, Utf8(kLatin1Value));
    ASSERT_FALSE(latin1.isEmpty());
    ASSERT_EQ(text, QString::fromUtf16(kLatin1Value.data(), static_cast<qsizetype>(kLatin1Value.size())));
    EXPECT_EQ(data->text().constData(), text.constData());
    data.reset();
    EXPECT_TRUE(AllZero(utf8));
    EXPECT_TRUE(AllZero(latin1));
    EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() == 0; }));
}

TEST(FieldClipboard, WipedDataOffersNothing) {
    SecretMimeData data(kValue);
    data.Wipe();
    EXPECT_TRUE(data.IsWiped());
    EXPECT_TRUE(data.formats().isEmpty());
    EXPECT_TRUE(data.data(QStringLiteral("text/plain")).isEmpty());
    EXPECT_TRUE(data.text().isEmpty());
}

// The copy the clipboard kept survived clearing before: the wipe reached a detached copy.
TEST(FieldClipboard, ClearWipesTheCopyTheClipboardServed) {
    QtFieldClipboard clipboard;
    clipboard.CopyText(kValue);
    const QByteArray served = SharedServedBuffer(QStringLiteral("text/plain;charset=utf-8"));
    ASSERT_EQ(served, Utf8(kValue));
    EXPECT_EQ(SharedServedBuffer(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));

    clipboard.Clear();
    EXPECT_TRUE(AllZero(served)) << "the copied value is still in the clipboard's buffer";
    EXPECT_FALSE(served.contains(Utf8(kValue)));
    EXPECT_EQ(clipboard.Current(), nullptr);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
    clipboard.Clear(); // nothing left to touch
}

TEST(FieldClipboard, ANewCopyWipesThePreviousValue) {
    QtFieldClipboard clipboard;
    clipboard.CopyText(u"erstes Geheimnis");
    const QByteArray first = SharedServedBuffer(QStringLiteral("text/plain"));
    ASSERT_EQ(first, QByteArray("erstes Geheimnis"));
    clipboard.CopyText(u"zweites");
    EXPECT_TRUE(AllZero(first));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("zweites"));
    clipboard.Clear();
}

// Qt deletes the data itself when someone else sets the clipboard; nothing may touch it then.
TEST(FieldClipboard, DataThatQtDeletedIsNeverTouchedAgain) {
    QtFieldClipboard clipboard;
    int lost = 0;
    clipboard.onLost = [&] { ++lost; };
    clipboard.CopyText(kValue);
    const QByteArray served = SharedServedBuffer(QStringLiteral("text/plain"));
    ASSERT_EQ(served, Utf8(kValue));

    QGuiApplication::clipboard()->setText(QStringLiteral("von woanders"));
    QTest::qWait(20);
    EXPECT_TRUE(AllZero(served));
    EXPECT_EQ(clipboard.Current(), nullptr);
    if (!IsXcb()) {
        // On X11 the process still owns the clipboard, so nothing was lost to another client.
        EXPECT_EQ(lost, 1);
    }
    clipboard.Clear();
    clipboard.CopyText(u"noch einmal");
    clipboard.Clear();
}

// xclip runs as a separate client; the event loop keeps running so that we can answer it.
struct XclipRun {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
};

class FieldClipboardX11 : public ::testing::Test {
protected:
    void SetUp() override {
        if (!IsXcb()) {
            GTEST_SKIP() << "needs the X11 platform (QT_QPA_PLATFORM=xcb under Xvfb)";
        }
        m_xclip = QStandardPaths::findExecutable(QStringLiteral("xclip"));
        if (m_xclip.isEmpty()) {
            GTEST_SKIP() << "xclip is needed to act as another X client";
        }
    }

    XclipRun Read(const QStringList& extra = {}) {
        QProcess process;
        process.start(m_xclip, QStringList{QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")} + extra);
        XclipRun run;
        if (!process.waitForStarted(5000)) {
            return run;
        }
        run.finished = QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 5000);
        run.exitCode = process.exitCode();
        run.out = process.readAllStandardOutput();
        return run;
    }

    // Another client takes the clipboard over and keeps it (xclip stays in the background).
    bool Take(const QByteArray& text) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(m_xclip, {QStringLiteral("-i"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
        if (!process.waitForStarted(5000)) {
            return false;
        }
        process.write(text);
        process.closeWriteChannel();
        return QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 5000) &&
               process.exitCode() == 0;
    }

    QString m_xclip;
};

TEST_F(FieldClipboardX11, XClientsPasteTheExactValue) {
    QtFieldClipboard clipboard;
    clipboard.CopyText(kValue);

    const XclipRun utf8 = Read({QStringLiteral("-target"), QStringLiteral("UTF8_STRING")});
    ASSERT_TRUE(utf8.finished);
    EXPECT_EQ(utf8.exitCode, 0);
    EXPECT_EQ(utf8.out, Utf8(kValue));

    const XclipRun plain = Read();
    ASSERT_TRUE(plain.finished);
    EXPECT_EQ(plain.out, Utf8(kValue));

    const XclipRun mime = Read({QStringLiteral("-target"), QStringLiteral("text/plain;charset=utf-8")});
    EXPECT_EQ(mime.out, Utf8(kValue));

    const XclipRun hint = Read({QStringLiteral("-target"), QStringLiteral("x-kde-passwordManagerHint")});
    EXPECT_EQ(hint.out, QByteArray("secret"));

    const XclipRun targets = Read({QStringLiteral("-t"), QStringLiteral("TARGETS")});
    ASSERT_TRUE(targets.finished);
    const QList<QByteArray> offered = targets.out.split('\n');
    for (const char* target : {"UTF8_STRING", "STRING", "TEXT", "text/plain", "text/plain;charset=utf-8",
                               "x-kde-passwordManagerHint"}) {
        EXPECT_TRUE(offered.contains(QByteArray(target))) << target;
    }

    clipboard.Clear();
    const XclipRun after = Read();
    ASSERT_TRUE(after.finished);
    EXPECT_NE(after.exitCode, 0);
    EXPECT_TRUE(after.out.isEmpty());
    const XclipRun afterUtf8 = Read({QStringLiteral("-target"), QStringLiteral("UTF8_STRING")});
    EXPECT_TRUE(afterUtf8.out.isEmpty());
}

TEST_F(FieldClipboardX11, StringClientsGetLatin1) {
    QtFieldClipboard clipboard;
    clipboard.CopyText(kLatin1Value);
    const XclipRun latin1 = Read({QStringLiteral("-target"), QStringLiteral("STRING")});
    ASSERT_TRUE(latin1.finished);
    EXPECT_EQ(latin1.out, QByteArray("P@\xdf w\xf6rd \xe4"));
    clipboard.Clear();
}

TEST_F(FieldClipboardX11, AnotherClientTakingItOverReportsTheLossAndWipes) {
    QtFieldClipboard clipboard;
    int lost = 0;
    clipboard.onLost = [&] { ++lost; };

    // Another program owns the clipboard. Waiting for our loss makes sure it does, and lets Qt
    // learn the server time of the take-over (an older time would make the X server refuse
    // our next copy).
    clipboard.CopyText(u"vorbereitet");
    ASSERT_TRUE(Take("vorher"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lost == 1; }, 5000));
    EXPECT_EQ(Read().out, QByteArray("vorher"));

    clipboard.CopyText(kValue);
    ASSERT_NE(clipboard.Current(), nullptr);
    const QByteArray served = SharedServedBuffer(QStringLiteral("text/plain"));
    ASSERT_EQ(served, Utf8(kValue));
    EXPECT_EQ(Read().out, Utf8(kValue));
    EXPECT_EQ(lost, 1);

    ASSERT_TRUE(Take("x"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return lost == 2; }, 5000));
    EXPECT_TRUE(AllZero(served));
    EXPECT_EQ(clipboard.Current(), nullptr);
    EXPECT_EQ(Read().out, QByteArray("x"));

    // Qt deleted the data; clearing must not touch it, nor take away the other program's text.
    clipboard.Clear();
    EXPECT_EQ(Read().out, QByteArray("x"));
    EXPECT_EQ(lost, 2);
}

} // namespace
