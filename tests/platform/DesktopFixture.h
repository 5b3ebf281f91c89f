#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <memory>
#include <string>

#include "platform/DesktopTestSupport.h"
#include "platform/x11/X11Desktop.h"

namespace DesktopTest {

// A test on the Xvfb display: our own desktop connection, a temporary folder, another program
// in the role of the target, and the window manager when asked for. Layout, Caps Lock and the
// programs are put back after each test.
class DesktopFixture : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Enabled()) {
            GTEST_SKIP() << "runs on the desktop test server (ctest, xvfb-run)";
        }
        ASSERT_TRUE(SetLayout("us"));
        desktop = Tarnwick::Platform::X11Desktop::Open();
        ASSERT_TRUE(desktop);
        std::string pattern = (std::filesystem::temp_directory_path() / "tw-desktop-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        // The other programs get a private runtime folder, as a session would give them.
        if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
            std::filesystem::create_directory(folder / "runtime");
            std::filesystem::permissions(folder / "runtime", std::filesystem::perms::owner_all);
            ::setenv("XDG_RUNTIME_DIR", (folder / "runtime").c_str(), 1);
            m_runtimeSet = true;
        }
        if (desktop->IsCapsLockOn()) {
            RunProgram({"xdotool", "key", "Caps_Lock"});
        }
    }

    void TearDown() override {
        target.Stop();
        other.Stop();
        windowManager.Stop();
        if (desktop && desktop->IsCapsLockOn()) {
            RunProgram({"xdotool", "key", "Caps_Lock"});
        }
        if (Enabled()) {
            SetLayout("us");
        }
        desktop.reset();
        if (m_runtimeSet) {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
        if (!folder.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    }

    void StartWindowManager() {
        ASSERT_TRUE(windowManager.Start({"openbox", "--sm-disable"}));
        ASSERT_TRUE(WaitUntil([&] { return desktop->HasWindowManager(); }));
    }

    std::filesystem::path OutFile() const { return folder / "state"; }

    // The log-in window of tw_target_window; its X id once it is active.
    Tarnwick::Platform::WindowId StartTarget(const std::string& title) {
        const std::filesystem::path ready = folder / "ready";
        std::filesystem::remove(ready);
        if (!target.Start({TW_TARGET_WINDOW, "--title", title, "--out", OutFile().string(), "--ready", ready.string()})) {
            return 0;
        }
        if (!WaitUntil([&] { return !ReadFile(ready).empty(); })) {
            return 0;
        }
        return static_cast<Tarnwick::Platform::WindowId>(std::stoul(ReadFile(ready)));
    }

    struct State {
        std::string user;
        std::string password;
        int clicks = -1;
    };

    static std::string FromHex(const std::string& hex) {
        std::string bytes;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        }
        return bytes;
    }

    State ReadState() const {
        State state;
        std::istringstream in(ReadFile(OutFile()));
        for (std::string line; std::getline(in, line);) {
            const std::size_t equals = line.find('=');
            if (equals == std::string::npos) {
                continue;
            }
            const std::string key = line.substr(0, equals);
            const std::string value = line.substr(equals + 1);
            if (key == "user") {
                state.user = FromHex(value);
            } else if (key == "password") {
                state.password = FromHex(value);
            } else if (key == "clicks") {
                state.clicks = std::stoi(value);
            }
        }
        return state;
    }

    // Puts a text on the clipboard through xclip, which stays as its owner.
    void SetClipboardText(const std::string& text, const std::string& selection = "clipboard") {
        const std::filesystem::path file = folder / ("text-" + selection);
        std::ofstream(file) << text;
        ASSERT_EQ(RunProgram({"xclip", "-selection", selection, "-i", file.string()}, {}, false).status, 0);
        // xclip serves from a process of its own, which may take a moment to own the selection.
        ASSERT_TRUE(WaitUntil([&] { return ReadClipboard(selection).out == text; }));
    }

    static Result ReadClipboard(const std::string& selection = "clipboard") {
        return RunProgram({"xclip", "-selection", selection, "-o"});
    }

    std::shared_ptr<Tarnwick::Platform::X11Desktop> desktop;
    std::filesystem::path folder;
    Child target;
    Child other;
    Child windowManager;

private:
    bool m_runtimeSet = false;
};

} // namespace DesktopTest
