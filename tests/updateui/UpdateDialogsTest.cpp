#include <gtest/gtest.h>

#include <QApplication>
#include <QCommandLinkButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTimer>

#include "core/Path.h"

#include "support/LocalHttpServer.h"
#include "support/Screenshots.h"
#include "support/TemporaryXdgFolders.h"
#include "uiext/TaskDialog.h"
#include "uilib/MessageBox.h"
#include "update/FileDownloader.h"
#include "update/UpdateJob.h"
#include "update/UpdateTestSupport.h"
#include "update/ui/UpdateDialogs.h"

namespace {

using namespace Tarnwick::UpdateProvider;
using TestSupport::LocalHttpServer;

// Answers each dialog with the first command (or OK), after taking its picture.
class PictureResponder final : public WindowsServiceProvider::IDialogResponder {
public:
    PictureResponder() : m_previous(WindowsServiceProvider::CMessageBox::SetResponder(this)) {}
    ~PictureResponder() override { WindowsServiceProvider::CMessageBox::SetResponder(m_previous); }
    void Respond(QDialog& dialog) override {
        TestSupport::Screenshot(dialog, QStringLiteral("UpdateDialog%1").arg(++m_count));
        if (auto* task = qobject_cast<WindowsServiceProvider::CTaskDialog*>(&dialog)) {
            instructions << task->GetMainInstruction();
            task->GetCommandButtons().at(answer)->click();
        } else if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            instructions << box->text();
            box->button(QMessageBox::Ok)->click();
        }
    }
    QStringList instructions;
    int answer = 0;

private:
    WindowsServiceProvider::IDialogResponder* m_previous;
    static inline int m_count = 0;
};

class UpdateDialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_maker = new UpdateTest::Signer(); }
    static void TearDownTestSuite() { delete s_maker; }

    void SetUp() override {
        FileDownloader::ResetAbortForTesting();
        UpdateTest::WriteText(m_work / "twexec", "#!/bin/sh\n");
        m_package = std::string(2 * 1024 * 1024, 'P');
        m_info.version = "1.18.0.0";
        m_info.fileSize = std::to_string(m_package.size());
        m_info.checksum = UpdateTest::Sha256Hex(m_package);
        m_info.autoUrl = m_server.Url("/tarnwick.deb");
        m_server.Serve("/", LocalHttpServer::Reply(200, s_maker->SignInfo(m_info)));
        m_window.setWindowTitle(QStringLiteral("Tarnwick"));
        m_window.resize(640, 480);
        m_window.show();
        m_window.activateWindow();
        QApplication::processEvents();
    }

    UpdateEnvironment Environment() {
        UpdateEnvironment environment;
        environment.endpoint = m_server.Url("/?Update=");
        environment.publicKeyPem = s_maker->PublicKey();
        environment.currentVersion = u"1.17.0.0";
        environment.mainProgram = m_work / "tarnwick";
        environment.executor = m_work / "twexec";
        environment.canElevate = [] { return true; };
        environment.startProcess = [this](const std::filesystem::path&, const std::vector<std::string>&) {
            ++m_started;
            return true;
        };
        environment.createFolder = [] { return Tarnwick::Core::Path::CreateTemporaryFolder(); };
        return environment;
    }

    // Watches for the progress window while the job runs; returns its texts and pictures.
    void WatchProgress(bool cancel) {
        auto* timer = new QTimer(&m_window);
        QObject::connect(timer, &QTimer::timeout, [this, cancel] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QDialog*>(widget);
                if (dialog == nullptr || dialog->objectName() != QStringLiteral("UpdateProgress") || !dialog->isVisible()) {
                    continue;
                }
                m_progressTitle = dialog->windowTitle();
                const QString content = dialog->findChild<QLabel*>(QStringLiteral("Content"))->text();
                m_progressTexts.insert(content);
                if (content.contains(QStringLiteral("heruntergeladen")) && !m_pictured) {
                    m_pictured = true;
                    TestSupport::Screenshot(*dialog, QStringLiteral("UpdateProgress"));
                    if (cancel) {
                        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
                    }
                }
            }
        });
        timer->start(5);
    }

    static inline UpdateTest::Signer* s_maker = nullptr;
    TestSupport::TemporaryXdgFolders m_xdg;
    TestSupport::TempFolder m_work;
    LocalHttpServer m_server;
    UpdateTest::Info m_info;
    std::string m_package;
    QMainWindow m_window;
    int m_started = 0;
    QString m_progressTitle;
    QSet<QString> m_progressTexts;
    bool m_pictured = false;
};

TEST_F(UpdateDialogs, TheWholeUpdateRunsBehindTheProgressWindow) {
    LocalHttpServer::Response slow = LocalHttpServer::Reply(200, m_package);
    slow.chunk = 256 * 1024;
    slow.pause = std::chrono::milliseconds(30);
    m_server.Serve("/tarnwick.deb", slow);
    PictureResponder responder;
    WatchProgress(false);
    QtUpdateUserInterface ui;
    UpdateParameter parameter;
    EXPECT_EQ(UpdateJob(UpdateJob::Mode::Interactive, parameter, Environment(), &ui).Run(),
              AutoUpdateResult::AUR_EXECUTOR_STARTED);
    EXPECT_EQ(responder.instructions, QStringList{QStringLiteral("Es ist eine neue Version verfügbar")});
    EXPECT_EQ(m_progressTitle, QStringLiteral("Tarnwick - Update"));
    EXPECT_TRUE(m_progressTexts.contains(QStringLiteral("2,00 MB von 2,00 MB heruntergeladen.")));
    EXPECT_EQ(m_started, 1);
}

TEST_F(UpdateDialogs, CancelInTheProgressWindowStopsTheDownload) {
    LocalHttpServer::Response slow = LocalHttpServer::Reply(200, m_package);
    slow.chunk = 64 * 1024;
    slow.pause = std::chrono::milliseconds(20);
    m_server.Serve("/tarnwick.deb", slow);
    PictureResponder responder;
    WatchProgress(true);
    QtUpdateUserInterface ui;
    UpdateParameter parameter;
    EXPECT_EQ(UpdateJob(UpdateJob::Mode::Interactive, parameter, Environment(), &ui).Run(),
              AutoUpdateResult::AUR_CANCELLED);
    EXPECT_EQ(m_started, 0);
    EXPECT_EQ(responder.instructions.size(), 1);
}

TEST_F(UpdateDialogs, UpToDateIsSaidInAMessage) {
    UpdateTest::Info current;
    current.version = "1.17.0.0";
    m_server.Serve("/", LocalHttpServer::Reply(200, s_maker->SignInfo(current)));
    PictureResponder responder;
    QtUpdateUserInterface ui;
    UpdateParameter parameter;
    EXPECT_EQ(UpdateJob(UpdateJob::Mode::Interactive, parameter, Environment(), &ui).Run(),
              AutoUpdateResult::AUR_UP_TO_DATE);
    EXPECT_EQ(responder.instructions,
              QStringList{QStringLiteral("Tarnwick ist auf dem neuesten Stand. Es ist keine Aktualisierung notwendig.")});
}

} // namespace
