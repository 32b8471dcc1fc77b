#include "db/connection.h"

#include "db/database.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace db {

namespace {

// The program writes on every mouse release and resize step, so a crash can
// land inside a write: the write-ahead log keeps the file whole where an
// in-memory journal would not.
constexpr const char* kConnectionOptions[] = {
    "PRAGMA synchronous = NORMAL",
    "PRAGMA journal_mode = WAL",
    "PRAGMA foreign_keys = ON",
    "PRAGMA auto_vacuum = 1",
};

}  // namespace

QString openDefault(QSqlDatabase& handle)
{
    handle = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    const QString directory = dataDirectory();
    handle.setDatabaseName(directory + QLatin1String(kFileName));
    if (!handle.open()) {
        const QSqlError error = handle.lastError();
        return directory + QLatin1Char(' ') + error.driverText() + QStringLiteral(" - ")
               + error.databaseText() + QLatin1Char(' ') + QLatin1String(kFileName);
    }
    for (const char* option : kConnectionOptions) {
        QSqlQuery query;
        query.exec(QLatin1String(option));
    }
    return QString();
}

}  // namespace db
