#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <QVector>

class QWidget;

// The statements on the notes table. Each runs by itself, without a
// transaction; a failure shows the "Error" box over `parent`.
namespace notestore {

struct NotePair
{
    QString text;
    QString id;  // the note's ID as decimal text
};

// The notes of `date` in the order the database returns them; empty when
// the select fails.
QVector<NotePair> notesOfDate(const QDate& date, QWidget* parent);

// The days between `begin` and `end` (inclusive) that carry at least one
// note, as "yyyy-MM-dd" texts; empty when the select fails.
QStringList noteDatesBetween(const QDate& begin, const QDate& end, QWidget* parent);

bool insertNote(const QString& text, const QDate& date, const QTime& time, QWidget* parent);
bool updateNote(const QString& text, const QDate& date, const QTime& time, qint64 id, QWidget* parent);
bool deleteNote(qint64 id, QWidget* parent);

}  // namespace notestore
