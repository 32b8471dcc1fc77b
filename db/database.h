#pragma once

#include <QString>
#include <QVariant>
#include <QVector>
#include <optional>

class QWidget;

// Every statement of the program runs on the default connection through
// these two routines: `save` for writes, `read` for selects.
namespace db {

inline constexpr char kFileName[] = "orvo.db";

// The per-user data directory, ending in "/".
QString dataDirectory();

// The information box every failed statement shows.
void showError(QWidget* parent, const QString& text);

// Save pattern: one short transaction, the statement prepared, values bound
// by position, executed; a failure shows the "Error" box over `parent` while
// the transaction is still open; then commit, rolling back only when the
// commit fails. Returns whether the statement executed.
bool save(const QString& sql, const QVariantList& values, QWidget* parent);

// The save pattern without its transaction, for the writes that run alone
// (the calendar's notes): prepare, bind by position, execute, and on failure
// the same "Error" box over `parent`. Returns whether the statement executed.
bool saveWithoutTransaction(const QString& sql, const QVariantList& values, QWidget* parent);

using Row = QVariantList;

// Read shape: prepare, bind by position, execute; on failure the "Error" box
// over `parent` and no result. Rows are returned in the order the database
// gives them.
std::optional<QVector<Row>> read(const QString& sql, const QVariantList& values = {},
                                 QWidget* parent = nullptr);

// The read shape for the one-row settings reads: the first row, or, when the
// table is empty, one invalid value per column (reading as 0, false, 0.0, "").
std::optional<Row> readFirst(const QString& sql, const QVariantList& values = {},
                             QWidget* parent = nullptr);

}  // namespace db
