// Pictures of every page of the options dialog for review: written only when
// TW_SCREENSHOT_DIR names a folder (scripts/screenshots).
#include <QCoreApplication>
#include <QDir>
#include <QPixmap>

#include "OptionsTestSupport.h"
#include "support/Screenshots.h"

namespace OptionsUiTest {
namespace {

class OptionsScreenshots : public OptionsFixture {
protected:
    void SetUp() override {
        folder = TestSupport::ScreenshotFolder();
        if (folder.isEmpty()) {
            GTEST_SKIP() << "TW_SCREENSHOT_DIR is not set";
        }
    }

    void Save(QWidget& widget, const QString& name) {
        ASSERT_TRUE(TestSupport::SavePicture(widget, folder, name)) << name.toStdString();
    }

    QString folder;
};

TEST_F(OptionsScreenshots, EveryPage) {
    settings.workspaceLockSeconds = 150;
    const QString names[] = {QStringLiteral("options-general.png"),       QStringLiteral("options-appearance.png"),
                             QStringLiteral("options-messages.png"),      QStringLiteral("options-password-list.png"),
                             QStringLiteral("options-auto-completion.png"), QStringLiteral("options-security.png")};
    Run([&](CSettingsDialog& dialog) {
        for (int page = 0; page < 6; ++page) {
            dialog.SelectPage(page);
            Save(dialog, names[page]);
        }
        // The hot-key page with a message in its status line.
        dialog.SelectPage(4);
        auto& keys = PageOf<Tarnwick::OptionsLibrary::CAutoCompletionPage>(dialog);
        keys.GetKeyEdit()->clear();
        QTest::keyClicks(keys.GetKeyEdit(), QStringLiteral("K"));
        Save(dialog, QStringLiteral("options-auto-completion-message.png"));
        dialog.GetCancelButton()->click();
    });
}

} // namespace
} // namespace OptionsUiTest
