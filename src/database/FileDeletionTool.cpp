#include "database/FileDeletionTool.h"

#include <cerrno>

#include "base/exceptions/DBException.h"
#include "platform/FileSystem.h"

namespace EmberkiteDatabase {

void FileDeletionTool::EraseFile(const std::filesystem::path& path) {
    const int error = Tarnwick::Platform::FileSystem().Remove(path);
    if (error == 0) {
        return;
    }
    constexpr std::u16string_view context = u"FileDeletionTool::EraseFile";
    if (error == EACCES || error == EPERM || error == EROFS) {
        throw DBException(DBError::DeleteFailed, context, u"Die Datenbank konnte nicht gelöscht werden. Pfadzugriff nur lesend.\n");
    }
    if (error == ENOENT) {
        throw DBException(DBError::DeleteFailed, context, u"Die Datenbank wurde nicht gefunden.");
    }
    throw DBException(DBError::DeleteFailed, context, u"Unbekannter Fehler beim Löschen der Datenbank.");
}

} // namespace EmberkiteDatabase
