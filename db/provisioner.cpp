#include "db/provisioner.h"

#include "db/database.h"
#include "resources/resources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace db {

namespace {

const char kConnection[] = "orvo-provision";

QStringList schemaStatements()
{
    QFile file(QStringLiteral(":/db/schema.sql"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QString text;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (!line.trimmed().startsWith(QLatin1String("--")))
            text += line + QLatin1Char('\n');
    }
    QStringList statements;
    for (const QString& part : text.split(QLatin1Char(';'))) {
        if (!part.trimmed().isEmpty())
            statements.append(part.trimmed());
    }
    return statements;
}

bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

bool build(const QString& path, QString* error)
{
    orvoInitResources();
    const QStringList statements = schemaStatements();
    if (statements.isEmpty())
        return fail(error, QStringLiteral("the schema is missing from the program"));
    QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(kConnection));
    connection.setDatabaseName(path);
    if (!connection.open())
        return fail(error, connection.lastError().text());
    QSqlQuery query(connection);
    for (const QString& statement : statements) {
        if (!query.exec(statement))
            return fail(error, statement + QStringLiteral(": ") + query.lastError().text());
    }
    return true;
}

}  // namespace

bool provision(const QString& directory, QString* error)
{
    QDir dir(directory);
    const QString target = dir.filePath(QLatin1String(kFileName));
    if (QFileInfo::exists(target))
        return true;
    if (!dir.mkpath(QStringLiteral(".")))
        return fail(error, QStringLiteral("cannot create ") + directory);

    // Built under another name and renamed at the end, so an interrupted
    // installation never leaves a half-made orvo.db behind.
    const QString partial = target + QStringLiteral(".partial");
    QFile::remove(partial);
    bool ok = build(partial, error);
    QSqlDatabase::removeDatabase(QLatin1String(kConnection));
    if (ok && !QFile::rename(partial, target))
        ok = fail(error, QStringLiteral("cannot create ") + target);
    if (!ok)
        QFile::remove(partial);
    return ok;
}

}  // namespace db
