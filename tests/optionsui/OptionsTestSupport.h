#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "options/Settings.h"
#include "options/ui/CSettingsDialog.h"
#include "options/ui/OptionsDialog.h"
#include "options/ui/OptionsPages.h"
#include "options/ui/SpinField.h"
#include "platform/x11/FakeDesktop.h"
#include "support/DialogResponder.h"
#include "support/TemporaryXdgFolders.h"
#include "uiext/QtText.h"

namespace OptionsUiTest {

using ApplicationSettings::Settings;
using Tarnwick::OptionsLibrary::CSettingsDialog;
using Tarnwick::OptionsLibrary::OptionsPage;
namespace Options = ::OptionsLibrary::OptionsDialog;

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A private home (the autostart folder lies in it), message boxes answered by a script and a
// desktop whose key grab is a fake.
class OptionsFixture : public ::testing::Test {
protected:
    using Driver = std::function<void(CSettingsDialog&)>;

    // Shows the dialog on the record; the driver plays the user (a dialog it leaves open
    // counts as cancelled).
    int Run(const Driver& drive) {
        Options::Environment environment;
        environment.hotKeyGrabber = &grabber;
        environment.runModal = [&](QDialog& dialog) {
            dialog.setResult(0);
            auto* settingsDialog = qobject_cast<CSettingsDialog*>(&dialog);
            EXPECT_NE(settingsDialog, nullptr);
            if (settingsDialog != nullptr) {
                drive(*settingsDialog);
            }
            return dialog.result();
        };
        return Options::Show(nullptr, settings, environment);
    }

    template <class Page>
    static Page& PageOf(const CSettingsDialog& dialog) {
        for (OptionsPage* page : dialog.Pages()) {
            if (auto* wanted = qobject_cast<Page*>(page)) {
                return *wanted;
            }
        }
        throw std::logic_error("no such page");
    }

    std::filesystem::path Autostart() const { return xdg.Config() / "autostart" / "Tarnwick.desktop"; }

    QString LastMessage() const { return responder.Seen().empty() ? QString() : responder.Seen().back().text; }

    TestSupport::TemporaryXdgFolders xdg;
    TestSupport::ScriptedResponder responder;
    Tarnwick::Platform::FakeHotKeyGrabber grabber;
    Settings settings;
};

} // namespace OptionsUiTest
