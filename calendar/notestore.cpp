#include "calendar/notestore.h"

#include "db/database.h"
#include "db/statements.h"

#include <QStringList>

namespace notestore {

QVector<NotePair> notesOfDate(const QDate& date, QWidget* parent)
{
    QVector<NotePair> notes;
    const auto rows = db::read(QLatin1String(sql::kSelectNoteTexts), {date}, parent);
    if (!rows)
        return notes;
    notes.reserve(rows->size());
    for (const db::Row& row : *rows) {
        const QVariant& text = row.at(0);  // NOTETEXT
        const QVariant& id = row.at(1);    // ID
        notes.append({text.toString(), id.toString()});
    }
    return notes;
}

QStringList noteDatesBetween(const QDate& begin, const QDate& end, QWidget* parent)
{
    QStringList dates;
    // A date after 9999 binds as empty text, and BETWEEN with an empty upper
    // bound matches nothing: the grid of December 9999 ends in year 10000.
    const QDate to = qMin(end, QDate(9999, 12, 31));
    const auto rows = db::read(QLatin1String(sql::kSelectNoteDatesBetween), {begin, to}, parent);
    if (!rows)
        return dates;
    for (const db::Row& row : *rows)
        dates.append(row.at(0).toString());  // NOTEDATE; the count is not needed
    return dates;
}

bool insertNote(const QString& text, const QDate& date, const QTime& time, QWidget* parent)
{
    return db::saveWithoutTransaction(QLatin1String(sql::kInsertNote), {text, date, time}, parent);
}

bool updateNote(const QString& text, const QDate& date, const QTime& time, qint64 id, QWidget* parent)
{
    return db::saveWithoutTransaction(QLatin1String(sql::kUpdateNote), {text, date, time, id}, parent);
}

bool deleteNote(qint64 id, QWidget* parent)
{
    return db::saveWithoutTransaction(QLatin1String(sql::kDeleteNote), {id}, parent);
}

}  // namespace notestore
