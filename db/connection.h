#pragma once

#include <QString>

class QSqlDatabase;

namespace db {

// Registers the default connection on `handle`, opens orvo.db in the data
// directory and applies the connection options. Returns the empty string on
// success, otherwise the text that tells the user why the file did not open.
QString openDefault(QSqlDatabase& handle);

}  // namespace db
