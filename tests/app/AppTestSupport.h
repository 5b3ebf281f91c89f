#pragma once

#include <gtest/gtest.h>

#include <concepts>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>

#include <QApplication>
#include <QDialog>
#include <QString>

#include "app/ModalDialog.h"
#include "app/login/DatabaseFileDialog.h"
#include "core/Path.h"
#include "base/text/Utf.h"
#include "database/CDatabase.h"
#include "support/DialogResponder.h"
#include "support/FakeDatabaseUI.h"
#include "support/TemporaryXdgFolders.h"
#include "uilib/SecureEdit.h"

namespace AppTest {

inline QString Q(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename T>
    requires std::same_as<T, std::filesystem::path>
QString Q(const T& path) {
    return QString::fromStdString(path.string());
}

inline Tarnwick::LoginCredentials Credentials(std::u16string_view user, std::u16string_view password) {
    Tarnwick::LoginCredentials credentials;
    credentials.userName.Assign(user);
    credentials.password.Assign(password);
    return credentials;
}

// A new database with the one folder the wizard creates.
inline bool MakeDatabase(const std::filesystem::path& path, std::u16string_view user, std::u16string_view password) {
    TestSupport::FakeDatabaseUI ui;
    Tarnwick::CDatabase database(ui, path);
    return database.Create(Credentials(user, password), Tarnwick::CDatabase::kAes, u"Allgemein");
}

inline bool CanLogIn(const std::filesystem::path& path, std::u16string_view user, std::u16string_view password) {
    TestSupport::FakeDatabaseUI ui;
    Tarnwick::CDatabase database(ui, path);
    return database.Login(Credentials(user, password)) == Tarnwick::RequestResult::Succeeded;
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Drives the program's own dialogs for one scope.
class DialogDriverScope {
public:
    explicit DialogDriverScope(Tarnwick::App::DialogDriver driver)
        : m_previous(Tarnwick::App::SetDialogDriver(std::move(driver))) {}
    ~DialogDriverScope() { Tarnwick::App::SetDialogDriver(std::move(m_previous)); }
    DialogDriverScope(const DialogDriverScope&) = delete;
    DialogDriverScope& operator=(const DialogDriverScope&) = delete;

private:
    Tarnwick::App::DialogDriver m_previous;
};

// Answers the database file dialog for one scope.
class FileChooserScope {
public:
    explicit FileChooserScope(Tarnwick::Core::DatabaseFileDialog::Chooser chooser)
        : m_previous(Tarnwick::Core::DatabaseFileDialog::SetChooser(std::move(chooser))) {}
    ~FileChooserScope() { Tarnwick::Core::DatabaseFileDialog::SetChooser(std::move(m_previous)); }
    FileChooserScope(const FileChooserScope&) = delete;
    FileChooserScope& operator=(const FileChooserScope&) = delete;

private:
    Tarnwick::Core::DatabaseFileDialog::Chooser m_previous;
};

// A private home, data, cache and runtime folder; dialogs answered by a script.
class AppFixture : public ::testing::Test {
protected:
    AppFixture() {
        std::filesystem::create_directories(Runtime());
        std::filesystem::permissions(Runtime(), std::filesystem::perms::owner_all);
        xdg.Set("XDG_RUNTIME_DIR", Runtime());
        std::filesystem::create_directories(Databases());
    }

    std::filesystem::path Runtime() const { return xdg.Root() / "runtime"; }
    std::filesystem::path Databases() const { return xdg.Root() / "db"; }
    std::filesystem::path LogFile() const { return Tarnwick::Core::Path::GetLocalAppPath() / "tlp.log"; }

    // Every logged text, decoded.
    std::string LogText() const {
        std::string decoded;
        std::istringstream lines(ReadFile(LogFile()));
        std::string line;
        while (std::getline(lines, line)) {
            const auto space = line.rfind(' ');
            if (space != std::string::npos) {
                decoded += QByteArray::fromBase64(QByteArray::fromStdString(line.substr(space + 1))).toStdString();
                decoded += '\n';
            }
        }
        return decoded;
    }

    // The texts of every message box and task dialog seen so far.
    QStringList Texts() const {
        QStringList texts;
        for (const auto& shown : responder.Seen()) {
            texts << shown.text;
        }
        return texts;
    }
    int Count(std::u16string_view text) const { return static_cast<int>(Texts().count(Q(text))); }

    TestSupport::TemporaryXdgFolders xdg;
    TestSupport::ScriptedResponder responder;
};

} // namespace AppTest
