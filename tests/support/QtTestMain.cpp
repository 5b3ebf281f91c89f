// Test main for widget tests: GoogleTest inside a QApplication.
#include <gtest/gtest.h>

#include <memory>

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    // gtest_discover_tests runs the binary at build time without any display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // A private runtime folder (mode 0700) keeps Qt from warning and from using a shared one.
    std::unique_ptr<QTemporaryDir> runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtime = std::make_unique<QTemporaryDir>();
        if (runtime->isValid()) {
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
