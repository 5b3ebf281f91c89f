// Start-up of Tarnwick.
#include <memory>

#include <QLabel>
#include <QMainWindow>

#include "app/Application.h"
#include "app/ApplicationIcon.h"
#include "app/GuardedApplication.h"
#include "core/text/Utf.h"

namespace {

// Stands in for the main window until it joins the program: the open database's name.
std::unique_ptr<QWidget> MakeMinimalMainWindow(ApplicationSettings::Settings&, const std::filesystem::path& database,
                                               Tarnwick::LoginCredentials credentials) {
    credentials.password.Clear();
    credentials.userName.Clear();
    auto window = std::make_unique<QMainWindow>();
    window->setWindowTitle(QString::fromUtf16(Tarnwick::App::kProductTitle.data(),
                                              static_cast<qsizetype>(Tarnwick::App::kProductTitle.size())));
    auto* label = new QLabel(QString::fromStdString(database.filename().string()), window.get());
    label->setAlignment(Qt::AlignCenter);
    window->setCentralWidget(label);
    window->resize(640, 400);
    return window;
}

} // namespace

int main(int argc, char** argv) {
    Tarnwick::App::GuardedApplication qt(argc, argv);
    Tarnwick::CApplication application(qt, argc, argv);
    Tarnwick::CApplication::SetMainWindowFactory(&MakeMinimalMainWindow);
    return application.Run();
}
