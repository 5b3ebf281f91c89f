#include <gtest/gtest.h>

#include <QApplication>

#include "uilib/MessageBox.h"

namespace {

// The program runs with Qt's German texts ("Ja", "Nein", "Abbrechen").
class GermanTexts : public ::testing::Environment {
public:
    void SetUp() override {
        if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance())) {
            WindowsServiceProvider::InstallGermanTranslations(*application);
        }
    }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GermanTexts);

} // namespace
