#pragma once

#include <QString>

namespace db {

// Installs a fresh orvo.db (tables, indexes and the one settings row) in
// `directory`, creating the directory when needed. An existing database file
// is never opened or changed. Returns false with a reason in `error`.
bool provision(const QString& directory, QString* error = nullptr);

}  // namespace db
