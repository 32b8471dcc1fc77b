#pragma once

#include <QString>
#include <QtGlobal>

// One task of the to-do list as loaded from the database.
struct TaskRecord {
    QString text;
    bool done = false;
    qint64 id = 0;
};
