#pragma once

class QWidget;

namespace Tarnwick {

// The first-start question whether to create a database now; true for "Ja".
bool AskCreateDatabaseOnFirstStart(QWidget* parent);

} // namespace Tarnwick
