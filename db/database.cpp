#include "db/database.h"

#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>

namespace db {

QString dataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::DataLocation) + QLatin1Char('/');
}

void showError(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, QStringLiteral("Error"), text, QMessageBox::Ok);
}

namespace {

// A statement that does not prepare keeps its own error: binding and
// executing it anyway would replace the driver's reason (a missing table or
// column) with a bare "Parameter count mismatch".
bool prepareAndExec(QSqlQuery& query, const QString& sql, const QVariantList& values)
{
    if (!query.prepare(sql))
        return false;
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    return query.exec();
}

}  // namespace

bool save(const QString& sql, const QVariantList& values, QWidget* parent)
{
    QSqlQuery query;
    QSqlDatabase::database().transaction();
    const bool ok = prepareAndExec(query, sql, values);
    if (ok)
        query.clear();
    else
        showError(parent, query.lastError().text());
    if (!QSqlDatabase::database().commit())
        QSqlDatabase::database().rollback();
    return ok;
}

bool saveWithoutTransaction(const QString& sql, const QVariantList& values, QWidget* parent)
{
    QSqlQuery query;
    const bool ok = prepareAndExec(query, sql, values);
    if (ok)
        query.clear();
    else
        showError(parent, query.lastError().text());
    return ok;
}

namespace {

// The one place a SELECT is prepared, bound and executed.
std::optional<QSqlQuery> run(const QString& sql, const QVariantList& values, QWidget* parent)
{
    QSqlQuery query;
    query.setForwardOnly(true);
    if (!prepareAndExec(query, sql, values)) {
        showError(parent, query.lastError().text());
        return std::nullopt;
    }
    return query;
}

Row currentRow(const QSqlQuery& query, int columns, bool valid)
{
    Row row;
    row.reserve(columns);
    for (int c = 0; c < columns; ++c)
        row.append(valid ? query.value(c) : QVariant());
    return row;
}

}  // namespace

std::optional<QVector<Row>> read(const QString& sql, const QVariantList& values, QWidget* parent)
{
    auto query = run(sql, values, parent);
    if (!query)
        return std::nullopt;
    const int columns = query->record().count();
    QVector<Row> rows;
    while (query->next())
        rows.append(currentRow(*query, columns, true));
    return rows;
}

std::optional<Row> readFirst(const QString& sql, const QVariantList& values, QWidget* parent)
{
    auto query = run(sql, values, parent);
    if (!query)
        return std::nullopt;
    const bool any = query->next();
    return currentRow(*query, query->record().count(), any);
}

}  // namespace db
