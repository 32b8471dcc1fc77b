#pragma once

#include <QModelIndex>
#include <QVariant>

// The ID of the task a cell belongs to: the display data of the hidden
// column 2 in the same row; 0 when that cell is missing or not a number.
inline qint64 taskIdOf(const QModelIndex& index)
{
    return index.siblingAtColumn(2).data(Qt::DisplayRole).toLongLong();
}
