#pragma once

#include "app/session/DatabaseSession.h"
#include "options/Settings.h"

class QWidget;

namespace Tarnwick::Dialogs {

// "Drucken" (8060) and "Druckvorschau" (8061) of the main window.
class PrintCommands final {
public:
    PrintCommands(QWidget& parent, Session::DatabaseSession& session, ApplicationSettings::Settings& settings);

    void Print(bool preview);

private:
    QWidget& m_parent;
    Session::DatabaseSession& m_session;
    ApplicationSettings::Settings& m_settings;
};

} // namespace Tarnwick::Dialogs
