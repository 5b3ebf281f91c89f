#pragma once

#include <filesystem>

#include <QObject>
#include <QString>

#include "database/CDatabase.h"

namespace Tarnwick::Dialogs {

// The work of the backup dialog on its own thread. It touches no widget; it reports through
// its signals, and database messages go through the interface it was given (which must be
// safe to call from the worker: ThreadedDatabaseUi).
class BackupWorker final : public QObject {
    Q_OBJECT
public:
    enum class Method { Copy = 0, Recreate = 1 };

    static constexpr std::u16string_view kBackupFailed = u"Es ist ein Fehler beim Sichern der Datenbank aufgetreten.";
    static constexpr std::u16string_view kNotVerified =
        u"Es ist ein Fehler beim Sichern der Datenbank aufgetreten. Die Datenbank konnte nicht verifiziert werden.";
    static constexpr std::u16string_view kNotRecreated = u"Die Sicherungskopie konnte nicht erstellt werden.";

    BackupWorker(Method method, std::filesystem::path source, std::filesystem::path target,
                 LoginCredentials credentials, IDatabaseUserInterface& ui);
    ~BackupWorker() override;

    // Runs the whole backup and ends with Finished.
    void Run();

signals:
    void Progress(int percent);
    // The copy is complete and is being compared with the database.
    void Verifying();
    // failure is the text for the user (empty when the database object showed it already).
    void Finished(bool succeeded, const QString& failure);

private:
    bool Copy(QString& failure);
    bool Recreate(QString& failure);

    Method m_method;
    std::filesystem::path m_source;
    std::filesystem::path m_target;
    LoginCredentials m_credentials;
    IDatabaseUserInterface& m_ui;
};

// Deletes a database on its own thread, with the credentials the user typed for it.
class DeleteWorker final : public QObject {
    Q_OBJECT
public:
    DeleteWorker(std::filesystem::path database, LoginCredentials credentials, IDatabaseUserInterface& ui);
    ~DeleteWorker() override;

    void Run();

signals:
    void Finished(bool deleted);

private:
    std::filesystem::path m_database;
    LoginCredentials m_credentials;
    IDatabaseUserInterface& m_ui;
};

} // namespace Tarnwick::Dialogs
