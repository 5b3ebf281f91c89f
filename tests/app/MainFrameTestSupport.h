#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QString>
#include <QTest>
#include <QTreeWidgetItem>

#include "app/mainframe/CMainFrame.h"
#include "app/mainframe/FrameServices.h"
#include "app/views/FolderToTreeVisualizer.h"
#include "app/views/FolderTreeCtrl.h"
#include "app/views/PasswordListCtrl.h"
#include "app/views/PasswordListModel.h"
#include "app/views/PasswordView.h"
#include "app/views/TreeItems.h"
#include "core/Path.h"
#include "database/CDatabase.h"
#include "base/exceptions/Exception.h"
#include "platform/session/SessionWatcher.h"
#include "platform/x11/IdleTime.h"
#include "support/DialogResponder.h"
#include "support/FakeDatabaseUI.h"
#include "support/TempDir.h"
#include "support/TemporaryXdgFolders.h"
#include "support/VaultBuilder.h"

namespace MainFrameTest {

inline std::u16string U(const QString& text) { return text.toStdU16String(); }
inline QString Q(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

class FakeClipboard final : public Tarnwick::MainFrame::IFieldClipboard {
public:
    void CopyText(std::u16string_view value) override {
        if (failCopy) {
            throw Utilities::Exceptions::Exception(u"OpenClipboard failed", u"ClipboardBase::Open");
        }
        text = value;
        ++copies;
    }
    void Clear() override {
        text.clear();
        ++clears;
    }
    void TakenByAnotherProgram() {
        text.clear();
        if (onLost) {
            onLost();
        }
    }

    std::u16string text;
    int copies = 0;
    int clears = 0;
    bool failCopy = false;
};

class FakeTray final : public Tarnwick::MainFrame::INotificationIcon {
public:
    bool Show(const QString& value, const QString&, const QString& balloon) override {
        if (!available) {
            return false;
        }
        tip = value;
        balloonText = balloon;
        shown = true;
        return true;
    }
    void Hide() override { shown = false; }
    bool IsShown() const override { return shown; }
    void Activate(Activation activation) {
        if (onActivated) {
            onActivated(activation, QPoint(10, 10));
        }
    }

    bool available = true;
    bool shown = false;
    QString tip;
    QString balloonText;
};

class FakeRunner final : public Tarnwick::MainFrame::IAutoCompletionRunner {
public:
    bool Run(QWidget*, const Tarnwick::PasswordADT::PasswordItem& entry) override {
        ++runs;
        if (fails) {
            throw Utilities::Exceptions::WindowsException(u"", 1, u"XTestFakeKeyEvent", u"AutoCompletion::Execute");
        }
        last = entry.GetDescription().ToStdString();
        return valid;
    }
    int runs = 0;
    std::u16string last;
    bool valid = true;
    bool fails = false;
};

inline Tarnwick::LoginCredentials Login(std::u16string_view user, std::u16string_view password) {
    Tarnwick::LoginCredentials credentials;
    credentials.userName.Assign(user);
    credentials.password.Assign(password);
    return credentials;
}

// A database in a temporary home, a main window over it with every outside service faked,
// and message boxes answered by a script.
class MainFrameFixture : public ::testing::Test {
protected:
    static constexpr std::u16string_view kUser = u"Alice";
    static constexpr std::u16string_view kPassword = u"Sesam öffne dich!";

    void SetUp() override { responder = std::make_unique<TestSupport::ScriptedResponder>(); }
    void TearDown() override {
        frame.reset();
        QCoreApplication::processEvents();
        responder.reset();
    }

    std::filesystem::path DatabasePath() const { return dir.Path() / "Konten.twdb"; }

    void CreateDatabase(const Tarnwick::PasswordADT::PasswordData& data) {
        Tarnwick::CDatabase database(databaseUi, DatabasePath());
        ASSERT_TRUE(database.CreateWithContent(Login(kUser, kPassword), Tarnwick::CDatabase::kAes, data));
    }

    Tarnwick::PasswordADT::PasswordData Reload() {
        Tarnwick::CDatabase database(databaseUi, DatabasePath());
        Tarnwick::PasswordADT::PasswordData data;
        EXPECT_TRUE(database.Load(Login(kUser, kPassword), data));
        return data;
    }

    Tarnwick::MainFrame::MainFrameEnvironment Environment() {
        Tarnwick::MainFrame::MainFrameEnvironment environment;
        environment.idleTime = idle;
        environment.sessionWatcher = session;
        environment.tickCount = [this] { return tick; };
        environment.isActiveWindow = [this] { return active; };
        environment.clipboard = clipboard;
        environment.notificationIcon = tray;
        environment.openTarget = [this](const QString& target) {
            opened.push_back(target);
            return openSucceeds;
        };
        environment.chooseDatabaseFile = [this](QWidget*) { return chosenFile; };
        environment.runUpdate = [this] {
            statusDuringUpdate = frame->StatusText();
            return updateResult;
        };
        return environment;
    }

    void Open(const Tarnwick::PasswordADT::PasswordData& data) {
        CreateDatabase(data);
        OpenExisting();
    }

    void OpenExisting() {
        frame = std::make_unique<Tarnwick::CMainFrame>(settings, DatabasePath(), Login(kUser, kPassword), Environment());
        frame->SetReAuthenticator([this](QWidget*, const std::filesystem::path& path, Tarnwick::LoginCredentials& out) {
            ++reAuthentications;
            reAuthenticatedPath = path;
            if (reAuthenticationThrows) {
                throw std::runtime_error("dialog failed");
            }
            out = Login(typedUser, typedPassword);
            return reAuthenticationAnswer;
        });
        frame->resize(1000, 680);
    }

    Tarnwick::Views::CFolderTreeCtrl* Tree() const { return frame->View()->FolderTree(); }
    Tarnwick::Views::CPasswordListCtrl* List() const { return frame->View()->PasswordList(); }
    Tarnwick::Views::PasswordListModel* Model() const { return frame->View()->ListModel(); }

    std::vector<std::u16string> ListedDescriptions() const {
        std::vector<std::u16string> descriptions;
        for (int row = 0; row < Model()->rowCount(); ++row) {
            descriptions.push_back(U(Model()->index(row, Tarnwick::Views::PasswordListModel::kDescription).data().toString()));
        }
        return descriptions;
    }

    void SelectRow(int row) {
        List()->selectionModel()->clear();
        List()->setCurrentIndex(Model()->index(row, Tarnwick::Views::PasswordListModel::kDescription));
    }

    QStringList ShownTexts() const {
        QStringList texts;
        for (const auto& shown : responder->Seen()) {
            texts << (shown.text.isEmpty() ? shown.instruction : shown.text);
        }
        return texts;
    }

    std::size_t LogLines() const {
        std::ifstream in(Tarnwick::Core::Path::GetLocalAppPath() / "tlp.log");
        std::size_t lines = 0;
        for (std::string line; std::getline(in, line);) {
            ++lines;
        }
        return lines;
    }

    TestSupport::TemporaryXdgFolders xdg;
    TestSupport::TempDir dir;
    TestSupport::FakeDatabaseUI databaseUi;
    std::unique_ptr<TestSupport::ScriptedResponder> responder;
    ApplicationSettings::Settings settings;
    std::shared_ptr<Tarnwick::Platform::FakeIdleTimeSource> idle = std::make_shared<Tarnwick::Platform::FakeIdleTimeSource>();
    std::shared_ptr<Tarnwick::Platform::FakeSessionWatcher> session =
        std::make_shared<Tarnwick::Platform::FakeSessionWatcher>();
    std::shared_ptr<FakeClipboard> clipboard = std::make_shared<FakeClipboard>();
    std::shared_ptr<FakeTray> tray = std::make_shared<FakeTray>();
    std::uint64_t tick = 1'000'000;
    bool active = true;
    std::vector<QString> opened;
    bool openSucceeds = true;
    std::filesystem::path chosenFile;
    int updateResult = 6;
    QString statusDuringUpdate;
    std::unique_ptr<Tarnwick::CMainFrame> frame;

    int reAuthentications = 0;
    std::filesystem::path reAuthenticatedPath;
    bool reAuthenticationAnswer = true;
    bool reAuthenticationThrows = false;
    std::u16string typedUser{kUser};
    std::u16string typedPassword{kPassword};
};

} // namespace MainFrameTest
